#pragma once

// Records what the sound server plays, shared with the audio output's tests.
#include "../../audio/support/SinkRecorder.h"
