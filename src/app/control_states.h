#pragma once
// The five control-state sets: which buttons and menu items are enabled, which button shows
// pressed, and the captions of the multi-purpose buttons, for each operating mode.
void ShowIdleControls();
void ShowLiveControls();
void ShowFileControls();
void ShowFrozenControls();
void ShowPlaySignalsControls();
