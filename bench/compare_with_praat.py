#!/usr/bin/env python3
"""Errors of `taldrinex-cli measure` and of the peer tool's voice report against known truth.

Usage: bench/compare_with_praat.py BUILD_DIR
Makes the test set with tools/make_known_voice (sustained vowels with chosen F0, jitter, shimmer and
noise, and an EGG whose closed quotients are known), measures each file with both tools and prints
the truth, both results and both errors for F0, jitter and shimmer, the two HNRs and CPPS values, and
the largest CQ error per method.
"""
import json
import os
import subprocess
import sys
import tempfile

CASES = [  # name, make_known_voice options
    ("clean125", "--f0 125"),
    ("jit05", "--f0 120 --jitter 0.5 --noise-db 40"),
    ("jit1shim4", "--f0 210 --rate 22050 --jitter 1 --shimmer 4 --noise-db 25 --cq 0.55"),
    ("low95", "--f0 95 --rate 48000 --jitter 0.5 --shimmer 2 --noise-db 30 --cq 0.35"),
    ("noisy160", "--f0 160 --noise-db 18 --cq 0.5"),
    ("shim6", "--f0 180 --shimmer 6 --noise-db 35 --cq 0.6"),
    ("jit2", "--f0 140 --jitter 2 --shimmer 1 --noise-db 30 --closing-ms 0.3 --opening-ms 2"),
    ("female250", "--f0 250 --jitter 0.3 --shimmer 2 --noise-db 28 --cq 0.4"),
    ("bass80", "--f0 80 --jitter 0.6 --shimmer 3 --noise-db 25 --cq 0.5"),
    ("egg24bit", "--f0 130 --jitter 0.4 --shimmer 2.5 --noise-db 30 --format pcm24 --extensible"),
]
METHODS = ["criterion_25", "criterion_35", "criterion_50", "hybrid_3_7", "degg"]


def main():
    build = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    rows = []
    with tempfile.TemporaryDirectory() as work:
        for name, options in CASES:
            path = os.path.join(work, name + ".wav")
            truth = json.loads(subprocess.check_output(
                [os.path.join(build, "bin", "make_known_voice"), "--out", path, "--seconds", "4"] + options.split()))
            ours = json.loads(subprocess.check_output([os.path.join(build, "bin", "taldrinex-cli"), "measure", path]))
            praat = subprocess.check_output(
                ["praat", "--run", os.path.join(here, "praat_voice_report.praat"), path, "1"]).split()
            p = {"f0": float(praat[1]), "jitter": float(praat[2]), "shimmer": float(praat[3]),
                 "hnr": float(praat[4]), "cpps": float(praat[5])}
            cq = max(abs(ours["egg"]["cq"][m]["mean"] - truth["cq"][m]) for m in METHODS)
            rows.append((name, truth, ours, p, cq))
    print("%-10s | %-24s | %-24s | %-24s | %-13s | %-13s | %s" % (
        "case", "F0 truth/ours/Praat", "jitter % truth/ours/Praat", "shimmer % truth/ours/Praat",
        "HNR ours/Praat", "CPPS ours/Praat", "worst CQ err"))
    sums = {"f0": [0, 0], "jitter": [0, 0], "shimmer": [0, 0], "hnr": 0, "cpps": 0}
    for name, t, o, p, cq in rows:
        print("%-10s | %7.3f %7.3f %7.3f | %7.3f %7.3f %7.3f | %7.3f %7.3f %7.3f | %6.2f %6.2f | %6.2f %6.2f | %.4f" % (
            name, t["f0_mean_hz"], o["f0"]["mean_hz"], p["f0"], t["jitter_local_percent"],
            o["jitter_local_percent"], p["jitter"], t["shimmer_local_percent"], o["shimmer_local_percent"],
            p["shimmer"], o["hnr_db"], p["hnr"], o["cpps_db"], p["cpps"], cq))
        sums["f0"][0] = max(sums["f0"][0], abs(o["f0"]["mean_hz"] / t["f0_mean_hz"] - 1) * 100)
        sums["f0"][1] = max(sums["f0"][1], abs(p["f0"] / t["f0_mean_hz"] - 1) * 100)
        for k, key in (("jitter", "jitter_local_percent"), ("shimmer", "shimmer_local_percent")):
            sums[k][0] += abs(o[key] - t[key]) / len(rows)
            sums[k][1] += abs(p[k] - t[key]) / len(rows)
        sums["hnr"] = max(sums["hnr"], abs(o["hnr_db"] - p["hnr"]))
        sums["cpps"] = max(sums["cpps"], abs(o["cpps_db"] - p["cpps"]))
    print("largest F0 error: ours %.3f %%, Praat %.3f %%" % tuple(sums["f0"]))
    print("mean |jitter error|: ours %.3f, Praat %.3f percentage points" % tuple(sums["jitter"]))
    print("mean |shimmer error|: ours %.3f, Praat %.3f percentage points" % tuple(sums["shimmer"]))
    print("largest |HNR ours - Praat|: %.2f dB; largest |CPPS ours - Praat|: %.2f dB" % (sums["hnr"], sums["cpps"]))


if __name__ == "__main__":
    main()
