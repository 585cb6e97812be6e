#pragma once

// The generated clips, their frame numbers and the seek rules, shared with the decoding stages' tests.
#include "../../ffmpeg/support/TestMedia.h"
