#pragma once

// The frame numbers of the pictures written into a quad's image, from the media file tests.
#include "../../mediafiles/support/ImageFrames.h"
