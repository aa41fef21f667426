#include "resources/resources.h"

namespace {

int Clamp(int variant) { return variant < 0 || variant > 2 ? 1 : variant; }

MenuItemModel Item(int id, const char* text, bool enabled = true) { return MenuItemModel{id, text, enabled}; }
MenuItemModel Separator() { return MenuItemModel{0, "", true}; }

}  // namespace

std::vector<MenuPopupModel> VariantMenu(int variant) {
  variant = Clamp(variant);
  MenuPopupModel project{"&Project", {}};
  MenuPopupModel save{"&Save", {}};
  MenuPopupModel help{"&Help", {Item(40010, "&Help Topics"), Item(40008, "&About Taldrinex")}};
  switch (variant) {
    case 0:
      project.items = {Item(40007, "&Analysis Options"), Item(40011, "&Run Audio"), Item(40012, "&Play File"),
                       Item(40014, "&Freeze"), Item(40015, "S&tore"), Item(40030, "&Measurements"), Separator(),
                       Item(40009, "&Volume Control"), Item(40033, "Audio &Devices..."), Separator(), Item(40005, "&Exit")};
      save.items = {Item(40003, "&Save Bitmap", false), Item(40004, "&Print Window", false), Separator(),
                    Item(40013, "&Record", false), Separator(), Item(40018, "Save Sample &A", false),
                    Item(40021, "Save Sample &B", false), Separator(), Item(40031, "Export Measurements...", false),
                    Item(40032, "Save Sample Bundle...", false)};
      break;
    case 1:
      project.items = {Item(40007, "&Simple Analysis Options"), Item(40017, "&Advanced Analysis Options"),
                       Item(40011, "&Run Audio"), Item(40012, "&Play File"), Item(40014, "&Freeze"),
                       Item(40015, "S&tore"), Item(40030, "&Measurements"), Separator(), Item(40009, "&Volume Control"), Item(40033, "Audio &Devices..."),
                       Separator(), Item(40005, "&Exit")};
      save.items = {Item(40003, "&Save Bitmap", false), Item(40004, "&Print Window", false), Separator(),
                    Item(40013, "&Record", false), Item(40018, "Save Sample &A", false),
                    Item(40021, "Save Sample &B", false), Separator(), Item(40031, "Export Measurements...", false),
                    Item(40032, "Save Sample Bundle...", false)};
      break;
    default:
      project.items = {Item(40011, "&Run Audio"), Item(40012, "&Play File"), Item(40014, "&Freeze"),
                       Item(40030, "&Measurements"), Separator(), Item(40009, "&Volume Control"), Item(40033, "Audio &Devices..."), Separator(),
                       Item(40005, "&Exit")};
      save.items = {Item(40003, "&Save Bitamap", false), Item(40004, "&Print Window", false), Separator(),
                    Item(40013, "&Record", false), Separator(), Item(40031, "Export Measurements...", false),
                    Item(40032, "Save Sample Bundle...", false)};
      break;
  }
  return {project, save, help};
}

int VariantMenuResource(int variant) {
  static constexpr int kMenus[3] = {103, 105, 104};
  return kMenus[Clamp(variant)];
}

const char* VariantWindowCaption(int variant) {
  static constexpr const char* kCaptions[3] = {"Taldrinex version 2.5", "TX-RadaDuza version 2.5",
                                               "TX-Zizivuv version 2.5"};
  return kCaptions[Clamp(variant)];
}

const char* VariantTitleText(int variant) {
  static constexpr const char* kTitles[3] = {"Taldrinex version 2.5", "Real-Time Spectrum Analysis by Taldrinex",
                                             "Signal Analysis by Taldrinex"};
  return kTitles[Clamp(variant)];
}

const char* AboutCaption(int variant) {
  static constexpr const char* kCaptions[3] = {"Taldrinex Version 2.5", "TX-RadaDuza 2.5", "TX-Zizivuv 2.5"};
  return kCaptions[Clamp(variant)];
}

const char* AboutText(int variant) {
  static constexpr const char* kTexts[3] = {
      "Taldrinex version 2.5\nFull voice analysis: spectra, spectrogram, envelope,\n"
      "audio and EGG signals with closed quotient, period and F0.\n\nWritten by the Taldrinex developers.",
      "TX-RadaDuza version 2.5\nReal-time spectrum analysis of the voice.\n\n"
      "Written by the Taldrinex developers.",
      "TX-Zizivuv version 2.5\nAudio and EGG signal analysis with closed quotient,\nperiod and F0.\n\n"
      "Written by the Taldrinex developers."};
  return kTexts[Clamp(variant)];
}
