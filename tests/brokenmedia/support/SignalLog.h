#pragma once

// The media file signal log of the media file tests.
#include "../../mediafiles/support/SignalLog.h"
