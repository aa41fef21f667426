// The settings record: start values per variant and the rules that keep fields in step.
#include <gtest/gtest.h>

#include "settings/analysis_settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettingsState(); }
};

TEST_F(SettingsTest, VariantStartValues) {
  ApplyVariantStartValues(2);
  EXPECT_EQ(Companions.DisplayMode, 6);
  EXPECT_EQ(Companions.ComparisonMode, 0);
  EXPECT_EQ(AnalysisSettings.StoredSeconds, 4);
  ResetSettingsState();
  ApplyVariantStartValues(1);
  EXPECT_EQ(Companions.DisplayMode, 1);
  EXPECT_EQ(AnalysisSettings.UpDownAssignment, ID_UD_SPECTRUM_CURSOR);
  EXPECT_EQ(AnalysisSettings.LeftRightAssignment, ID_LR_AUDIO_EGG_SCROLL);
  EXPECT_EQ(AnalysisSettings.StoredSeconds, 8);
}

TEST_F(SettingsTest, SpectrogramBinsRoundHalfUp) {
  EXPECT_EQ(ComputeSpectrogramBins(5000, 22050), 464);
  EXPECT_EQ(ComputeSpectrogramBins(8000, 22050), 743);
  EXPECT_EQ(ComputeSpectrogramBins(5000, 11025), 929);
  EXPECT_EQ(RoundHalfUp(2.5), 3);
  EXPECT_EQ(RoundHalfUp(2.4999), 2);
}

TEST_F(SettingsTest, OverlayOnlyOverThePowerSpectrumAlone) {
  SetDisplayModeButton(ID_DISPLAY_F4);
  EXPECT_TRUE(SetSettingByName("ComparisonModeButton", ID_COMPARISON_OVERLAY));
  EXPECT_EQ(Companions.ComparisonMode, 2);
  SetDisplayModeButton(ID_DISPLAY_F1);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_ABOVE_BELOW);
  EXPECT_EQ(Companions.ComparisonMode, 1);
  EXPECT_FALSE(SetSettingByName("ComparisonModeButton", ID_COMPARISON_OVERLAY));
  EXPECT_EQ(Companions.ComparisonMode, 1);
}

TEST_F(SettingsTest, DifferenceTurnsF0OnAndF0ChoiceResetsBandwidthMode) {
  ApplyVariantStartValues(0);
  ASSERT_TRUE(SetSettingByName("SpectrumType", ID_SPECTRUM_DIFFERENCE));
  EXPECT_EQ(AnalysisSettings.F0Measurement, ID_F0_ON);
  ASSERT_TRUE(SetSettingByName("BandwidthMode", ID_BANDWIDTH_PERCENT_F0));
  ASSERT_TRUE(SetSettingByName("F0Measurement", ID_F0_OFF));
  EXPECT_EQ(AnalysisSettings.BandwidthMode, ID_BANDWIDTH_HZ);
  EXPECT_EQ(AnalysisSettings.SpectrumType, ID_SPECTRUM_AUDIO);
  EXPECT_EQ(AnalysisSettings.F0Measurement, ID_F0_OFF);
}

TEST_F(SettingsTest, ScalesAreRememberedByTheActiveConfiguration) {
  ASSERT_TRUE(SetSettingByName("FreqScaleHz", 3000));
  EXPECT_EQ(AnalysisSettings.Config1FreqScaleHz, 3000);
  EXPECT_EQ(AnalysisSettings.SpectrogramBins, ComputeSpectrogramBins(3000, 22050));
  ASSERT_TRUE(SetSettingByName("ActiveConfiguration", ID_CONFIGURATION_2));
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 8000);
  ASSERT_TRUE(SetSettingByName("ActiveConfiguration", ID_CONFIGURATION_1));
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 3000);
}

TEST_F(SettingsTest, NamedAccessRejectsUnknownNamesAndValuesOutOfRange) {
  EXPECT_FALSE(SetSettingByName("NoSuchField", 1));
  EXPECT_FALSE(SetSettingByName("SpectrumAverageCount", 0));
  EXPECT_FALSE(SetSettingByName("SpectrumAverageCount", 257));
  EXPECT_FALSE(SetSettingByName("FreqScaleHz", 2500));
  EXPECT_FALSE(SetSettingByName("BandwidthMode", 1047));
  EXPECT_TRUE(SetSettingByName("SpectrumAverageCount", 256));
  int count = 0;
  const char* const* names = SettingNames(&count);
  for (int i = 0; i < count; ++i) {
    int value = -1;
    EXPECT_TRUE(GetSettingByName(names[i], &value)) << names[i];
  }
  int v = 0;
  ASSERT_TRUE(GetSettingByName("BitsPerSample", &v));
  EXPECT_EQ(v, 16);
}

TEST_F(SettingsTest, PercentBandwidthUsesWholeTensOfF0) {
  AnalysisSettings.BandwidthMode = ID_BANDWIDTH_PERCENT_F0;
  AnalysisSettings.BandwidthPercentF0 = 80;
  EXPECT_EQ(AnalysisBandwidthHz(219), 80 * 21 * 10 / 100);
  AnalysisSettings.BandwidthMode = ID_BANDWIDTH_HZ;
  EXPECT_EQ(AnalysisBandwidthHz(219), 10);
}

}  // namespace
