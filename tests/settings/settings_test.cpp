// The settings record: the rules that keep fields in step, the arithmetic of derived values, and
// the named access the scripts use. (The dialogs that change the record: tests/app.)
#include <gtest/gtest.h>

#include "settings/analysis_settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettingsState(); }
};

TEST_F(SettingsTest, DerivedValuesRoundHalfUpAndPercentBandwidthUsesWholeTensOfF0) {
  EXPECT_EQ(ComputeSpectrogramBins(5000, 22050), 464);
  EXPECT_EQ(ComputeSpectrogramBins(8000, 22050), 743);
  EXPECT_EQ(ComputeSpectrogramBins(5000, 11025), 929);
  EXPECT_EQ(RoundHalfUp(2.5), 3);
  EXPECT_EQ(RoundHalfUp(2.4999), 2);
  AnalysisSettings.BandwidthMode = ID_BANDWIDTH_PERCENT_F0;
  AnalysisSettings.BandwidthPercentF0 = 80;
  EXPECT_EQ(AnalysisBandwidthHz(219), 80 * 21 * 10 / 100);
  AnalysisSettings.BandwidthMode = ID_BANDWIDTH_HZ;
  EXPECT_EQ(AnalysisBandwidthHz(219), 10);
  // The real-time variant starts with the spectrum cursor and the audio-EGG scroll on the keys.
  ApplyVariantStartValues(1);
  EXPECT_EQ(AnalysisSettings.UpDownAssignment, ID_UD_SPECTRUM_CURSOR);
  EXPECT_EQ(AnalysisSettings.LeftRightAssignment, ID_LR_AUDIO_EGG_SCROLL);
}

TEST_F(SettingsTest, OverlayOnlyOverThePowerSpectrumAlone) {
  SetDisplayModeButton(ID_DISPLAY_F4);
  EXPECT_TRUE(SetSettingByName("ComparisonModeButton", ID_COMPARISON_OVERLAY));
  EXPECT_EQ(Companions.ComparisonMode, 2);
  SetDisplayModeButton(ID_DISPLAY_F1);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_ABOVE_BELOW);
  EXPECT_FALSE(SetSettingByName("ComparisonModeButton", ID_COMPARISON_OVERLAY));
  EXPECT_EQ(Companions.ComparisonMode, 1);
}

TEST_F(SettingsTest, NamedAccessRejectsUnknownNamesAndValuesOutOfRange) {
  EXPECT_FALSE(SetSettingByName("NoSuchField", 1));
  EXPECT_FALSE(SetSettingByName("SpectrumAverageCount", 0));
  EXPECT_FALSE(SetSettingByName("SpectrumAverageCount", 257));
  EXPECT_FALSE(SetSettingByName("FreqScaleHz", 2500));
  EXPECT_FALSE(SetSettingByName("BandwidthMode", 1047));
  EXPECT_TRUE(SetSettingByName("SpectrumAverageCount", 256));
  int count = 0, value = -1;
  const char* const* names = SettingNames(&count);
  for (int i = 0; i < count; ++i) EXPECT_TRUE(GetSettingByName(names[i], &value)) << names[i];
  ASSERT_TRUE(GetSettingByName("BitsPerSample", &value));
  EXPECT_EQ(value, 16);
}

}  // namespace
