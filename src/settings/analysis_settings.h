#pragma once
// The analysis settings record: every adjustable value with its start value. Several choices are
// stored as the id of the radio button that stands for them (1094..1101 display type, 1029..1031
// comparison, ...); the rest of the program compares against the same ids.
#include <cstdint>
#include <string>

// Radio and button ids stored in the record.
enum SettingId : int {
  ID_UD_SPECTRUM_CURSOR = 110,
  ID_UD_CLOSED_QUOTIENT = 111,
  ID_LR_AUDIO_EGG_SCROLL = 112,
  ID_LR_AUDIO_ONLY_SCROLL = 113,
  ID_CONFIGURATION_1 = 114,
  ID_CONFIGURATION_2 = 115,
  ID_GLOTTOGRAM_PLUS = 1023,
  ID_GLOTTOGRAM_MINUS = 1024,
  ID_COMPARISON_DISABLED = 1029,
  ID_COMPARISON_ABOVE_BELOW = 1030,
  ID_COMPARISON_OVERLAY = 1031,
  ID_SPECTRUM_AUDIO = 1032,
  ID_SPECTRUM_DIFFERENCE = 1033,
  ID_AUDIO_PLUS = 1034,
  ID_AUDIO_MINUS = 1035,
  ID_BANDWIDTH_HZ = 1046,
  ID_BANDWIDTH_PERCENT_F0 = 1048,
  ID_F0_ON = 1057,
  ID_F0_OFF = 1058,
  ID_DISPLAY_F1 = 1094,
  ID_DISPLAY_F2 = 1095,
  ID_DISPLAY_F3 = 1096,
  ID_DISPLAY_F4 = 1097,
  ID_DISPLAY_F5 = 1098,
  ID_DISPLAY_F6 = 1099,
  ID_DISPLAY_F7 = 1100,
  ID_DISPLAY_F8 = 1101,
  ID_COLOR_SCALE = 1107,
  ID_GRAY_SCALE = 1108,
};

struct AnalysisSettingsRecord {
  int32_t ListenChannel = 1;          // 1 Audio (left) only, 0 EGG (right) only; signals variant
  int32_t ProductVariant = 1;         // 0 full, 1 real-time, 2 signals
  int32_t SpectrumPoints = 1024;      // points of one power spectrum
  int32_t FreqScaleHz = 5000;         // 2000..10000 in steps of 1000
  int32_t Config1FreqScaleHz = 5000;
  int32_t Config2FreqScaleHz = 8000;
  int32_t GlottogramPolarity = ID_GLOTTOGRAM_PLUS;
  int32_t AudioPolarity = ID_AUDIO_PLUS;
  int32_t DisplayModeButton = ID_DISPLAY_F5;
  int32_t ComparisonModeButton = ID_COMPARISON_DISABLED;
  int32_t ActiveConfiguration = ID_CONFIGURATION_1;
  int32_t UpDownAssignment = ID_UD_CLOSED_QUOTIENT;
  int32_t LeftRightAssignment = ID_LR_AUDIO_ONLY_SCROLL;
  int32_t SpectrumType = ID_SPECTRUM_AUDIO;
  int32_t PaletteChoice = ID_COLOR_SCALE;
  int32_t BandwidthMode = ID_BANDWIDTH_HZ;
  int32_t F0Measurement = ID_F0_OFF;
  int32_t AudioSegmentMs = 20;        // 5..50 ms
  int32_t SpectrumAverageCount = 10;  // 1..256 spectra
  int32_t Channels = 2;
  int32_t PreviousChannels = 2;
  int32_t BandwidthHz = 10;           // 10..500 Hz
  int32_t BandwidthPercentF0 = 80;    // 10..100 % of F0
  int32_t AmplitudeScaleDb = 80;      // 20..120 dB in steps of 5
  int32_t Config1AmplitudeScaleDb = 80;
  int32_t Config2AmplitudeScaleDb = 80;
  int32_t BitmapMagnification = 100;  // percent, 100..500
  int32_t SampleRate = 22050;         // frames per second
  int32_t PreviousSampleRate = 22050;
  int32_t SpectrogramBins = 256;      // FFT bins covering the frequency scale
  int32_t StoredSeconds = 8;          // 4..8 s, length of samples A and B
  int16_t BitsPerSample = 16;
  int32_t BytesPerSample = 2;
  int32_t InputLatencyMs = 75;
};

// The companions kept in step with the record, and the other values the settings Part defines.
struct SettingsCompanions {
  int DisplayMode = 4;      // DisplayModeButton - 1094
  int ComparisonMode = 0;   // ComparisonModeButton - 1029
  std::string VariantTitle;  // legend text, at most 80 characters
  float AchievedUpdatePeriodMs = 0;
};

extern AnalysisSettingsRecord AnalysisSettings;
extern SettingsCompanions Companions;

void ResetSettingsState();

// Start values of a variant (written when the main window is created).
void ApplyVariantStartValues(int variant);

// Writers that keep the companions and the cross-field rules in step.
void SetDisplayModeButton(int radioId);        // also applies the Overlay-only-in-F4 rule
void SetComparisonModeButton(int radioId);
// Derives DisplayMode and ComparisonMode from the record (end of window creation).
void DeriveModesFromSettings();

// Round half up: truncate, then add 1 when the dropped fraction is at least 0.5 (x >= 0).
int RoundHalfUp(double x);

// The frequency range the panels show (Hz): FreqScaleHz, except while the sound analysed (a low-rate
// file, its frozen view, its samples) has less than that below half its rate: then half the rate
// rounded down to a whole thousand, at least 1000. The user's scales are never changed for a file,
// so the next sound at a higher rate shows them again.
int ShownFreqScaleHz();

// SpectrogramBins = ShownFreqScaleHz() * 2048 / SampleRate, rounded half up.
int ComputeSpectrogramBins(int freqScaleHz, int sampleRate);
void RecomputeSpectrogramBins();

// The analysis bandwidth handed to the window set-up: BandwidthHz, or in %F0 mode
// BandwidthPercentF0 * (F0 / 10) * 10 / 100 in integer arithmetic.
int AnalysisBandwidthHz(int f0Hz);

// Named access to the record's fields for scripts and dumps. False for an unknown name or a value
// outside the field's range.
bool SetSettingByName(const std::string& name, int value);
bool GetSettingByName(const std::string& name, int* value);
// Every field's name in record order.
const char* const* SettingNames(int* count);
