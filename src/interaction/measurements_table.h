#pragma once
// What the Measurements window shows and what its files and the dump hold: the table of the two
// samples side by side with their difference, and the voice reports as JSON in the field names of
// `taldrinex-cli measure --json`.
#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "interaction/sample_figures.h"

using MeasurementsRow = std::array<std::string, 4>;  // name, Sample A, Sample B, B - A

// The header row and one row per figure. An absent column is empty; a mono sample leaves the EGG
// rows empty; when more than half of a sample's cycles are flagged its CQ rows say so instead of
// showing numbers. Pitches are named against `referenceA4Hz`.
std::vector<MeasurementsRow> BuildMeasurementsTable(const SampleFigures& a, const SampleFigures& b,
                                                    double referenceA4Hz);

// The rows' names, in order (the header row excluded).
std::vector<std::string> MeasurementsRowNames();

// The voice report in the `measure --json` field names plus "harmonics_db_re_h1" (H1..H10);
// null for an absent column. `file` names the sound (the bundle's WAV file).
nlohmann::json FiguresJson(const SampleFigures& f, const std::string& file);

// B - A field by field in the same names: numbers subtracted, anything else dropped; null where
// either side has none. Null when either column is absent.
nlohmann::json DifferenceJson(const nlohmann::json& a, const nlohmann::json& b);

// One row per EGG cycle (per audio period for a mono sample): the columns of
// `taldrinex-cli measure --per-cycle --csv` after a first column `sample`.
std::string CyclesCsvHeader();
std::string CyclesCsvRows(const std::string& sample, const std::string& file, const SampleFigures& f);
