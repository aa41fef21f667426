# The peer tool's voice report of one recording, for bench/measure_vs_praat.sh and
# bench/compare_with_praat.sh: pitch 60..600 Hz (cc), periods (cc), the voice report with the usual
# factors, and with cpps = 1 also CPPS with the parameters the program uses. Prints one line:
# file f0 jitter% shimmer% hnr cpps
form Voice report
  sentence file x.wav
  integer cpps 0
endform
sound = Read from file: file$
nch = Get number of channels
if nch > 1
  audio = Extract one channel: 1
else
  audio = sound
endif
selectObject: audio
pitch = To Pitch (cc): 0, 60, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
selectObject: audio, pitch
pp = To PointProcess (cc)
selectObject: audio, pitch, pp
report$ = Voice report: 0, 0, 60, 600, 1.3, 1.6, 0.03, 0.45
f0 = extractNumber(report$, "Mean pitch: ")
jitter = extractNumber(report$, "Jitter (local): ")
shimmer = extractNumber(report$, "Shimmer (local): ")
hnr = extractNumber(report$, "Mean harmonics-to-noise ratio: ")
c = undefined
if cpps
  selectObject: audio
  cepstrogram = To PowerCepstrogram: 60, 0.002, 5000, 50
  c = Get CPPS: "yes", 0.01, 0.001, 60, 330, 0.05, "Parabolic", 0.001, 0, "Straight", "Least squares"
endif
appendInfoLine: file$, " ", fixed$(f0, 4), " ", fixed$(jitter * 100, 4), " ", fixed$(shimmer * 100, 4), " ", fixed$(hnr, 2), " ", fixed$(c, 2)
