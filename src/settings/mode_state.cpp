#include "settings/mode_state.h"

ModeState Mode;
