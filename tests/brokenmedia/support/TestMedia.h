#pragma once

// The generated clips and their frame numbers, shared with the decoding stages' tests.
#include "../../ffmpeg/support/TestMedia.h"
