#include "interaction/measurements_table.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <sstream>

#include "interaction/musical_readout.h"

namespace {

enum class Kind { Pitch, Hz, Percent, Db, Cq, Cycles, EggSnr, H1H2, Harmonic };

struct RowSpec {
  const char* name;
  Kind kind;
  int index;  // CQ method or harmonic number
};

constexpr RowSpec kRows[] = {
    {"F0 mean", Kind::Pitch, 0},
    {"F0 SD", Kind::Hz, 0},
    {"Jitter (local)", Kind::Percent, 0},
    {"Shimmer (local)", Kind::Percent, 1},
    {"HNR", Kind::Db, 0},
    {"CPPS", Kind::Db, 1},
    {"CQ criterion 25 %", Kind::Cq, kCqCriterion25},
    {"CQ criterion 35 %", Kind::Cq, kCqCriterion35},
    {"CQ criterion 50 %", Kind::Cq, kCqCriterion50},
    {"CQ hybrid 3/7", Kind::Cq, kCqHybrid37},
    {"CQ DEGG", Kind::Cq, kCqDegg},
    {"Cycles (flagged)", Kind::Cycles, 0},
    {"EGG SNR", Kind::EggSnr, 0},
    {"H1-H2", Kind::H1H2, 2},
    {"H2 re H1", Kind::Harmonic, 2},
    {"H3 re H1", Kind::Harmonic, 3},
    {"H4 re H1", Kind::Harmonic, 4},
    {"H5 re H1", Kind::Harmonic, 5},
    {"H6 re H1", Kind::Harmonic, 6},
    {"H7 re H1", Kind::Harmonic, 7},
    {"H8 re H1", Kind::Harmonic, 8},
    {"H9 re H1", Kind::Harmonic, 9},
    {"H10 re H1", Kind::Harmonic, 10},
};

std::string Format(const char* format, double v) {
  if (std::isnan(v)) return "--";
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  // A tiny negative value that rounds to zero reads as zero, not "-0.00".
  if (text[0] == '-' && std::strtod(text, nullptr) == 0) {
    if (std::strchr(format, '+')) text[0] = '+';
    else return text + 1;
  }
  return text;
}

bool EggUnreliable(const SampleFigures& f) {
  return f.report.egg && f.report.egg->cycles > 0 && 2 * f.report.egg->flagged > f.report.egg->cycles;
}

// The value a row compares; NaN where there is none.
double Value(const SampleFigures& f, const RowSpec& row) {
  const VoiceReport& r = f.report;
  switch (row.kind) {
    case Kind::Pitch:
      return r.f0Hz.mean;
    case Kind::Hz:
      return r.f0Hz.sd;
    case Kind::Percent:
      return row.index == 0 ? r.jitterLocalPercent : r.shimmerLocalPercent;
    case Kind::Db:
      return row.index == 0 ? r.hnrDb : r.cppsDb;
    case Kind::Cq:
      return r.egg ? r.egg->cq[row.index].mean : kNotMeasured;
    case Kind::Cycles:
      return r.egg ? r.egg->cycles : kNotMeasured;
    case Kind::EggSnr:
      return r.egg ? r.egg->snrDbMean : kNotMeasured;
    case Kind::H1H2:
      return -f.harmonicsDb[1];
    case Kind::Harmonic:
      return f.harmonicsDb[row.index - 1];
  }
  return kNotMeasured;
}

bool EggRow(Kind k) { return k == Kind::Cq || k == Kind::Cycles || k == Kind::EggSnr; }

std::string Cell(const SampleFigures& f, const RowSpec& row, double referenceA4Hz) {
  if (!f.present) return {};
  if (EggRow(row.kind) && !f.report.egg) return {};
  const double v = Value(f, row);
  switch (row.kind) {
    case Kind::Pitch: {
      const std::string p = FormatPitch(v, referenceA4Hz);
      return p.empty() ? "--" : p;
    }
    case Kind::Hz:
      return Format("%.2f Hz", v);
    case Kind::Percent:
      return Format("%.2f %%", v);
    case Kind::Db:
    case Kind::EggSnr:
    case Kind::H1H2:
    case Kind::Harmonic:
      return Format("%.1f dB", v);
    case Kind::Cq: {
      const EggReport& e = *f.report.egg;
      if (EggUnreliable(f))
        return "noisy EGG: " + std::to_string(e.flagged) + " of " + std::to_string(e.cycles);
      if (std::isnan(v)) return "--";
      char text[64];
      std::snprintf(text, sizeof text, "%.3f (SD %.3f)", v, e.cq[row.index].sd);
      return text;
    }
    case Kind::Cycles:
      return std::to_string(f.report.egg->cycles) + " (" + std::to_string(f.report.egg->flagged) + ")";
  }
  return {};
}

std::string DifferenceCell(const SampleFigures& a, const SampleFigures& b, const RowSpec& row) {
  if (!a.present || !b.present) return {};
  if (EggRow(row.kind) && (!a.report.egg || !b.report.egg)) return {};
  if (row.kind == Kind::Cq && (EggUnreliable(a) || EggUnreliable(b))) return {};
  const double va = Value(a, row), vb = Value(b, row);
  if (std::isnan(va) || std::isnan(vb)) return "--";
  const double d = vb - va;
  char text[64];
  switch (row.kind) {
    case Kind::Pitch:
      std::snprintf(text, sizeof text, "%+.1f Hz  %+.0f c", d, std::floor(1200 * std::log2(vb / va) + 0.5));
      return text;
    case Kind::Hz:
      return Format("%+.2f Hz", d);
    case Kind::Percent:
      return Format("%+.2f %%", d);
    case Kind::Cq:
      return Format("%+.3f", d);
    case Kind::Cycles:
      std::snprintf(text, sizeof text, "%+d (%+d)", b.report.egg->cycles - a.report.egg->cycles,
                    b.report.egg->flagged - a.report.egg->flagged);
      return text;
    default:
      return Format("%+.1f dB", d);
  }
}

}  // namespace

std::vector<std::string> MeasurementsRowNames() {
  std::vector<std::string> names;
  for (const auto& r : kRows) names.emplace_back(r.name);
  return names;
}

std::vector<MeasurementsRow> BuildMeasurementsTable(const SampleFigures& a, const SampleFigures& b,
                                                    double referenceA4Hz) {
  std::vector<MeasurementsRow> rows;
  rows.push_back({"", "Sample A", "Sample B", "B - A"});
  for (const auto& r : kRows)
    rows.push_back({r.name, Cell(a, r, referenceA4Hz), Cell(b, r, referenceA4Hz), DifferenceCell(a, b, r)});
  return rows;
}

nlohmann::json FiguresJson(const SampleFigures& f, const std::string& file) {
  if (!f.present) return nullptr;
  nlohmann::json j = nlohmann::json::parse(VoiceReportJson(file, f.report, false), nullptr, false);
  if (j.is_discarded()) return nullptr;
  nlohmann::json h = nlohmann::json::array();
  for (double v : f.harmonicsDb) h.push_back(std::isnan(v) ? nlohmann::json(nullptr) : nlohmann::json(v));
  j["harmonics_db_re_h1"] = h;
  return j;
}

nlohmann::json DifferenceJson(const nlohmann::json& a, const nlohmann::json& b) {
  if (a.is_null() || b.is_null()) return nullptr;
  if (a.is_number() && b.is_number()) return b.get<double>() - a.get<double>();
  if (a.is_object() && b.is_object()) {
    nlohmann::json d = nlohmann::json::object();
    for (auto it = a.begin(); it != a.end(); ++it) {
      if (!b.contains(it.key())) continue;
      const nlohmann::json& bv = b[it.key()];
      if (it->is_string() || it->is_boolean() || bv.is_string()) continue;
      d[it.key()] = DifferenceJson(*it, bv);
    }
    return d;
  }
  if (a.is_array() && b.is_array() && a.size() == b.size()) {
    nlohmann::json d = nlohmann::json::array();
    for (size_t i = 0; i < a.size(); ++i) d.push_back(DifferenceJson(a[i], b[i]));
    return d;
  }
  return nullptr;
}

std::string CyclesCsvHeader() { return "sample," + VoiceCsvHeader(true) + "\n"; }

std::string CyclesCsvRows(const std::string& sample, const std::string& file, const SampleFigures& f) {
  if (!f.present) return {};
  std::istringstream rows(VoiceReportCsv(file, f.report, true));
  const std::string header = VoiceCsvHeader(true);
  std::string out;
  for (std::string line; std::getline(rows, line);) {
    if (line.empty() || line + "\n" == header || line == header) continue;
    out += sample + "," + line + "\n";
  }
  return out;
}
