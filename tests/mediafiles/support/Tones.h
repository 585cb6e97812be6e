#pragma once

// Measures of recorded sound, shared with the audio output's tests.
#include "../../audio/support/Tones.h"
