#pragma once
// The variant's resources as data: menus 103 (variant 0), 105 (variant 1), 104 (variant 2),
// captions and titles.
#include <string>
#include <vector>

#include "platform/ui_model.h"

// The menu of a variant, popups in order; items with id 0 are separators.
std::vector<MenuPopupModel> VariantMenu(int variant);
// Resource number of the variant's menu (103, 105, 104).
int VariantMenuResource(int variant);

const char* VariantWindowCaption(int variant);  // set by WM_CREATE
const char* VariantTitleText(int variant);      // `VariantTitle`, kept for printing and panels
const char* AboutCaption(int variant);
const char* AboutText(int variant);

constexpr int kWindowIconResource = 109;
