#pragma once
// Millisecond clock of the program. The desktop backend reads the monotonic system clock; the
// headless backend keeps a virtual clock that advances only by sleeps and by fixed costs per pump
// and per drawn frame, so runs are exact and repeatable.

// Milliseconds since an arbitrary start, monotonic, with sub-millisecond resolution.
double NowMs();

// Sleeps (or, headless, advances the virtual clock) by ms milliseconds.
void SleepMs(double ms);

// Reported by the display after each composed frame: the headless clock charges its frame cost.
void NoteFrameDrawn();
