// The settings record: the rules that keep fields in step, the arithmetic of derived values, and
// the named access the scripts use. (The dialogs that change the record: tests/app.)
#include <gtest/gtest.h>

#include <tuple>

#include "settings/analysis_settings.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettingsState(); }
  decltype(AnalysisSettings)& S = AnalysisSettings;
};

TEST_F(SettingsTest, DerivedValuesRoundHalfUpAndPercentBandwidthUsesWholeTensOfF0) {
  EXPECT_EQ(std::tuple(ComputeSpectrogramBins(5000, 22050), ComputeSpectrogramBins(8000, 22050),
                       ComputeSpectrogramBins(5000, 11025), RoundHalfUp(2.5), RoundHalfUp(2.4999)),
            std::tuple(464, 743, 929, 3, 2));
  S.BandwidthMode = ID_BANDWIDTH_PERCENT_F0;
  S.BandwidthPercentF0 = 80;
  EXPECT_EQ(AnalysisBandwidthHz(219), 80 * 21 * 10 / 100);
  S.BandwidthMode = ID_BANDWIDTH_HZ;
  EXPECT_EQ(AnalysisBandwidthHz(219), 10);
}

// The named sets the scripts use keep the same cross-field rules as the dialogs (their own code).
TEST_F(SettingsTest, NamedSetsKeepTheCrossFieldRules) {
  // Scales are remembered by the active configuration.
  ASSERT_TRUE(SetSettingByName("FreqScaleHz", 3000) && SetSettingByName("AmplitudeScaleDb", 70));
  EXPECT_EQ(std::tuple(S.Config1FreqScaleHz, S.Config1AmplitudeScaleDb, S.SpectrogramBins),
            std::tuple(3000, 70, ComputeSpectrogramBins(3000, 22050)));
  ASSERT_TRUE(SetSettingByName("ActiveConfiguration", ID_CONFIGURATION_2));
  EXPECT_EQ(S.FreqScaleHz, 8000);
  ASSERT_TRUE(SetSettingByName("ActiveConfiguration", ID_CONFIGURATION_1));
  EXPECT_EQ(std::tuple(S.FreqScaleHz, S.AmplitudeScaleDb), std::tuple(3000, 70));
  // The difference spectrum and the %F0 bandwidth turn F0 on; F0 off takes both back.
  ApplyVariantStartValues(0);
  ASSERT_TRUE(SetSettingByName("SpectrumType", ID_SPECTRUM_DIFFERENCE));
  EXPECT_EQ(S.F0Measurement, ID_F0_ON);
  ASSERT_TRUE(SetSettingByName("F0Measurement", ID_F0_OFF));
  EXPECT_EQ(std::tuple(S.SpectrumType, S.BandwidthMode), std::tuple(ID_SPECTRUM_AUDIO, ID_BANDWIDTH_HZ));
  ASSERT_TRUE(SetSettingByName("BandwidthMode", ID_BANDWIDTH_PERCENT_F0));
  EXPECT_EQ(S.F0Measurement, ID_F0_ON);
  ASSERT_TRUE(SetSettingByName("F0Measurement", ID_F0_OFF));
  EXPECT_EQ(S.BandwidthMode, ID_BANDWIDTH_HZ);
  // The overlay comparison only over the power spectrum alone.
  SetDisplayModeButton(ID_DISPLAY_F4);
  EXPECT_TRUE(SetSettingByName("ComparisonModeButton", ID_COMPARISON_OVERLAY));
  EXPECT_EQ(Companions.ComparisonMode, 2);
  SetDisplayModeButton(ID_DISPLAY_F1);
  EXPECT_EQ(S.ComparisonModeButton, ID_COMPARISON_ABOVE_BELOW);
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
