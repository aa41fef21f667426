#pragma once
// Export Measurements and Save Sample Bundle. A bundle is a folder written as a whole: its files
// go into a hidden folder beside it, which takes the folder's place only when every file was
// written, so a failure (disk full, no permission) leaves what was there before and no half of it.
#include <functional>
#include <string>
#include <vector>

#include "interaction/sample_figures.h"

struct BundleFile {
  std::string name;  // file name inside the folder
  // Writes the file at `path`; false with *error set when it could not.
  std::function<bool(const std::string& path, std::string* error)> write;
};

// Writes `files` into `folder` as described above. An existing folder is replaced (the caller
// asked the user first); an existing file of that name is not. False with *error saying what
// failed.
bool WriteFolderAtomically(const std::string& folder, const std::vector<BundleFile>& files,
                           std::string* error);

// Both columns for a file: the whole held part of Sample A and, when stored, of Sample B.
struct HeldFigures {
  SampleFigures a, b;
};
HeldFigures MeasureBothHeldSamples();

// The per-cycle CSV of Export Measurements (and the bundle's cycles.csv).
std::string CyclesCsv(const HeldFigures& figures);
// spectrum.csv: bin, Hz, A dB, B dB, B - A dB of the displayed averaged spectra (dB below the top
// of the display range, as the spectrum cursor reads them).
std::string SpectrumCsv();
// summary.json: the program and version, the analysis settings, and A, B and difference.
std::string SummaryJson(const HeldFigures& figures, int referenceA4Hz);

// The six files of the bundle (five without Sample B).
std::vector<BundleFile> SampleBundleFiles(const HeldFigures& figures, int referenceA4Hz);

// Writes `text` to `path`; false with *error on failure.
bool WriteTextFile(const std::string& path, const std::string& text, std::string* error);
