// Built into this suite too: the media file tests' picture log.
#include "../../mediafiles/support/ImageFrames.cpp"
