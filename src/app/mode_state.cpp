#include "app/mode_state.h"

ModeState Mode;
