#pragma once
// The mode flags live with the settings record, below every module that tests them.
#include "settings/mode_state.h"
