#include "settings/analysis_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

AnalysisSettingsRecord AnalysisSettings;
SettingsCompanions Companions;

void ResetSettingsState() {
  AnalysisSettings = AnalysisSettingsRecord{};
  Companions = SettingsCompanions{};
}

namespace {

struct VariantStart {
  int displayButton, comparisonButton, upDown, leftRight, storedSeconds;
};
constexpr VariantStart kVariantStart[3] = {
    {ID_DISPLAY_F5, ID_COMPARISON_DISABLED, ID_UD_CLOSED_QUOTIENT, ID_LR_AUDIO_ONLY_SCROLL, 8},
    {ID_DISPLAY_F2, ID_COMPARISON_DISABLED, ID_UD_SPECTRUM_CURSOR, ID_LR_AUDIO_EGG_SCROLL, 8},
    {ID_DISPLAY_F7, ID_COMPARISON_DISABLED, ID_UD_CLOSED_QUOTIENT, ID_LR_AUDIO_ONLY_SCROLL, 4},
};

}  // namespace

void ApplyVariantStartValues(int variant) {
  if (variant < 0 || variant > 2) variant = 1;
  const auto& v = kVariantStart[variant];
  AnalysisSettings.ProductVariant = variant;
  AnalysisSettings.DisplayModeButton = v.displayButton;
  AnalysisSettings.ComparisonModeButton = v.comparisonButton;
  AnalysisSettings.UpDownAssignment = v.upDown;
  AnalysisSettings.LeftRightAssignment = v.leftRight;
  AnalysisSettings.StoredSeconds = v.storedSeconds;
  DeriveModesFromSettings();
}

void DeriveModesFromSettings() {
  int d = AnalysisSettings.DisplayModeButton;
  if (d >= ID_DISPLAY_F1 && d <= ID_DISPLAY_F8) Companions.DisplayMode = d - ID_DISPLAY_F1;
  int c = AnalysisSettings.ComparisonModeButton;
  if (c >= ID_COMPARISON_DISABLED && c <= ID_COMPARISON_OVERLAY) Companions.ComparisonMode = c - ID_COMPARISON_DISABLED;
}

void SetDisplayModeButton(int radioId) {
  if (radioId < ID_DISPLAY_F1 || radioId > ID_DISPLAY_F8) return;
  AnalysisSettings.DisplayModeButton = radioId;
  Companions.DisplayMode = radioId - ID_DISPLAY_F1;
  // Overlay exists only over the power spectrum alone (F4).
  if (Companions.DisplayMode != 3 && AnalysisSettings.ComparisonModeButton == ID_COMPARISON_OVERLAY) {
    AnalysisSettings.ComparisonModeButton = ID_COMPARISON_ABOVE_BELOW;
    Companions.ComparisonMode = 1;
  }
}

void SetComparisonModeButton(int radioId) {
  if (radioId < ID_COMPARISON_DISABLED || radioId > ID_COMPARISON_OVERLAY) return;
  if (radioId == ID_COMPARISON_OVERLAY && Companions.DisplayMode != 3) return;
  AnalysisSettings.ComparisonModeButton = radioId;
  Companions.ComparisonMode = radioId - ID_COMPARISON_DISABLED;
}

int RoundHalfUp(double x) {
  double t = std::trunc(x);
  return static_cast<int>(t) + ((x - t) >= 0.5 ? 1 : 0);
}

int ComputeSpectrogramBins(int freqScaleHz, int sampleRate) {
  if (sampleRate <= 0) return 0;
  return RoundHalfUp(static_cast<double>(freqScaleHz) * 2048.0 / sampleRate);
}

int ShownFreqScaleHz() {
  const auto& s = AnalysisSettings;
  const int half = s.SampleRate / 2;
  if (half >= s.FreqScaleHz) return s.FreqScaleHz;
  return std::max(half / 1000 * 1000, 1000);
}

void RecomputeSpectrogramBins() {
  AnalysisSettings.SpectrogramBins = ComputeSpectrogramBins(ShownFreqScaleHz(), AnalysisSettings.SampleRate);
}

int AnalysisBandwidthHz(int f0Hz) {
  if (AnalysisSettings.BandwidthMode == ID_BANDWIDTH_PERCENT_F0) {
    int f0Tens = f0Hz / 10;
    return AnalysisSettings.BandwidthPercentF0 * f0Tens * 10 / 100;
  }
  return AnalysisSettings.BandwidthHz;
}

namespace {

struct FieldInfo {
  const char* name;
  int lo, hi;
};

// Ranges a script or dialog may set; fields the program sets itself accept what the device or a
// file may give.
constexpr FieldInfo kFields[] = {
    {"ListenChannel", 0, 1},
    {"ProductVariant", 0, 2},
    {"SpectrumPoints", 1024, 1024},
    {"FreqScaleHz", 2000, 10000},
    {"Config1FreqScaleHz", 2000, 10000},
    {"Config2FreqScaleHz", 2000, 10000},
    {"GlottogramPolarity", ID_GLOTTOGRAM_PLUS, ID_GLOTTOGRAM_MINUS},
    {"AudioPolarity", ID_AUDIO_PLUS, ID_AUDIO_MINUS},
    {"DisplayModeButton", ID_DISPLAY_F1, ID_DISPLAY_F8},
    {"ComparisonModeButton", ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY},
    {"ActiveConfiguration", ID_CONFIGURATION_1, ID_CONFIGURATION_2},
    {"UpDownAssignment", ID_UD_SPECTRUM_CURSOR, ID_UD_CLOSED_QUOTIENT},
    {"LeftRightAssignment", ID_LR_AUDIO_EGG_SCROLL, ID_LR_AUDIO_ONLY_SCROLL},
    {"SpectrumType", ID_SPECTRUM_AUDIO, ID_SPECTRUM_DIFFERENCE},
    {"PaletteChoice", ID_COLOR_SCALE, ID_GRAY_SCALE},
    {"BandwidthMode", ID_BANDWIDTH_HZ, ID_BANDWIDTH_PERCENT_F0},
    {"F0Measurement", ID_F0_ON, ID_F0_OFF},
    {"AudioSegmentMs", 5, 50},
    {"SpectrumAverageCount", 1, 256},
    {"Channels", 1, 2},
    {"PreviousChannels", 1, 2},
    {"BandwidthHz", 10, 500},
    {"BandwidthPercentF0", 10, 100},
    {"AmplitudeScaleDb", 20, 120},
    {"Config1AmplitudeScaleDb", 20, 120},
    {"Config2AmplitudeScaleDb", 20, 120},
    {"BitmapMagnification", 100, 500},
    {"SampleRate", 1, 192000},
    {"PreviousSampleRate", 1, 192000},
    {"SpectrogramBins", 0, 2048},
    {"StoredSeconds", 4, 8},
    {"BitsPerSample", 8, 32},
    {"BytesPerSample", 1, 4},
    {"InputLatencyMs", 75, 75},
};
constexpr int kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

const char* const* BuildNames() {
  static const char* names[kFieldCount];
  for (int i = 0; i < kFieldCount; ++i) names[i] = kFields[i].name;
  return names;
}
const char* const* const kNames = BuildNames();

int32_t* FieldPointer(int index) {
  auto& s = AnalysisSettings;
  int32_t* fields[] = {&s.ListenChannel, &s.ProductVariant, &s.SpectrumPoints, &s.FreqScaleHz,
                       &s.Config1FreqScaleHz, &s.Config2FreqScaleHz, &s.GlottogramPolarity, &s.AudioPolarity,
                       &s.DisplayModeButton, &s.ComparisonModeButton, &s.ActiveConfiguration,
                       &s.UpDownAssignment, &s.LeftRightAssignment, &s.SpectrumType, &s.PaletteChoice,
                       &s.BandwidthMode, &s.F0Measurement, &s.AudioSegmentMs, &s.SpectrumAverageCount,
                       &s.Channels, &s.PreviousChannels, &s.BandwidthHz, &s.BandwidthPercentF0,
                       &s.AmplitudeScaleDb, &s.Config1AmplitudeScaleDb, &s.Config2AmplitudeScaleDb,
                       &s.BitmapMagnification, &s.SampleRate, &s.PreviousSampleRate, &s.SpectrogramBins,
                       &s.StoredSeconds, nullptr, &s.BytesPerSample, &s.InputLatencyMs};
  return fields[index];
}

int FieldIndex(const std::string& name) {
  for (int i = 0; i < kFieldCount; ++i)
    if (name == kFields[i].name) return i;
  return -1;
}

bool ValidChoice(const std::string& name, int value) {
  // Radio fields with gaps between their ids.
  if (name == "BandwidthMode") return value == ID_BANDWIDTH_HZ || value == ID_BANDWIDTH_PERCENT_F0;
  if (name == "FreqScaleHz" || name == "Config1FreqScaleHz" || name == "Config2FreqScaleHz") return value % 1000 == 0;
  if (name == "AmplitudeScaleDb" || name == "Config1AmplitudeScaleDb" || name == "Config2AmplitudeScaleDb")
    return value % 5 == 0;
  if (name == "BitsPerSample" || name == "BytesPerSample") return true;
  return true;
}

}  // namespace

const char* const* SettingNames(int* count) {
  *count = kFieldCount;
  return kNames;
}

bool GetSettingByName(const std::string& name, int* value) {
  int i = FieldIndex(name);
  if (i < 0) return false;
  if (name == "BitsPerSample") {
    *value = AnalysisSettings.BitsPerSample;
    return true;
  }
  *value = *FieldPointer(i);
  return true;
}

bool SetSettingByName(const std::string& name, int value) {
  int i = FieldIndex(name);
  if (i < 0 || value < kFields[i].lo || value > kFields[i].hi || !ValidChoice(name, value)) return false;
  auto& s = AnalysisSettings;
  if (name == "DisplayModeButton") {
    SetDisplayModeButton(value);
    return true;
  }
  if (name == "ComparisonModeButton") {
    if (value == ID_COMPARISON_OVERLAY && Companions.DisplayMode != 3) return false;
    SetComparisonModeButton(value);
    return true;
  }
  if (name == "BitsPerSample") {
    s.BitsPerSample = static_cast<int16_t>(value);
    return true;
  }
  *FieldPointer(i) = value;
  // Companions and cross-field rules, as the option dialogs keep them.
  if (name == "FreqScaleHz") {
    (s.ActiveConfiguration == ID_CONFIGURATION_1 ? s.Config1FreqScaleHz : s.Config2FreqScaleHz) = value;
  } else if (name == "AmplitudeScaleDb") {
    (s.ActiveConfiguration == ID_CONFIGURATION_1 ? s.Config1AmplitudeScaleDb : s.Config2AmplitudeScaleDb) = value;
  } else if (name == "ActiveConfiguration") {
    bool one = value == ID_CONFIGURATION_1;
    s.FreqScaleHz = one ? s.Config1FreqScaleHz : s.Config2FreqScaleHz;
    s.AmplitudeScaleDb = one ? s.Config1AmplitudeScaleDb : s.Config2AmplitudeScaleDb;
  } else if (name == "SpectrumType" && value == ID_SPECTRUM_DIFFERENCE) {
    s.F0Measurement = ID_F0_ON;
  } else if (name == "BandwidthMode" && value == ID_BANDWIDTH_PERCENT_F0) {
    s.F0Measurement = ID_F0_ON;
  } else if (name == "F0Measurement") {
    s.BandwidthMode = ID_BANDWIDTH_HZ;
    if (s.ProductVariant == 0) s.SpectrumType = ID_SPECTRUM_AUDIO;
  }
  if (name == "FreqScaleHz" || name == "SampleRate") RecomputeSpectrogramBins();
  return true;
}
