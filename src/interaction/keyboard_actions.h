#pragma once
// What the keys do beyond sending a button or menu command: they change the settings record, the
// cursors and levels of the frozen view, and raise the display's redraw requests. Each function is
// one key's whole effect in the state it is called in; the conditions under which a key acts are
// tested by the key handler (keyboard_commands.h).

// Shift+F1 with no options dialog open: configuration 1 <-> 2, with the frequency and amplitude
// scales of the configuration chosen. Then the redraw below.
void SwitchConfiguration();
// The redraw after a configuration switch (also after Shift+F1 was forwarded to the dialog, which
// made the switch itself): while frozen and not playing, both held samples' images are rebuilt,
// forced; otherwise the right half of the frame (F1, F5) or the whole frame (F4, F6) is cleared.
void RedrawAfterConfigurationSwitch();

// F1..F8 (n 1..8): the display layout. Overlay survives only in F4. F2 and F3 rebuild the held
// images by computing them (F2 leaves the forced-rebuild flag set), F5..F8 clear the interval marks.
void ChooseDisplay(int n);

// Ctrl+F1..Ctrl+F3 (n 1..3): comparison Disabled, Above/Below, Overlay. The first two set the
// Play A / Play B buttons, rebuild the held images (forced) and call showFrozenControls (may be
// null); Overlay changes the comparison only (the caller admits it in F4 only).
void ChooseComparison(int n, void (*showFrozenControls)());

// Signals variant. Shift+C: colour <-> gray scale of the display palette; the frame is filled.
void ToggleGrayScale();
// Shift+E / Shift+A: flip the glottogram / audio polarity; the frame is cleared at the next step.
void ToggleGlottogramPolarity();
void ToggleAudioPolarity();
// E / A: the channel heard, listenChannel 0 = EGG (right side), 1 = Audio (left side). The open
// playback device changes at once; a later playback opens with the same levels.
void ChooseListenChannel(int listenChannel);

// Left / Right with "L/R Audio-EGG Scroll": a beep when the view already stood at that end, then
// the scroll bar's own line (Shift: page) step, sent to the main window as a scroll notification.
void ScrollViewByKey(bool right, bool shift);
// Left / Right with "L/R Audio Only Scroll": the viewed sample's audio shift by 1 step of 0.05 ms
// (Shift: 6 steps); a beep when the audio trace was clamped at that end by the last step.
void ShiftAudioByKey(bool right, bool shift);

// Up / Down with "U/D Spectrum Cursor": the viewed sample's spectrum cursor 1 pixel right / left
// (Shift: 4); in F3 and F5 also its spectrogram cursor row 1 pixel up / down.
void MoveSpectrumCursorByKey(bool up, bool shift);

// Up / Down with "U/D Closed Quotient" in F5..F8: the viewed sample's criterion line 0.01 of the
// EGG band up / down, within -0.5..0.5.
void MoveCqLevelByKey(bool up);

// One criterion step: (H x level + H x step) / H in single precision, H the EGG band height in
// pixels (with no band drawn yet, H <= 0, the step is added directly), rounded to hundredths and
// clamped to -0.5..0.5.
float StepCqLevel(float level, float step, int bandHeight);
// The EGG band height of the signal panel drawn last (0 when none has been drawn).
int LastEggBandHeight();
