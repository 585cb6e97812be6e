// Built into this suite too: the decoding stages' helpers for the generated clips.
#include "../../ffmpeg/support/TestMedia.cpp"
