// Built into this suite too: the audio output tests' measures of recorded sound.
#include "../../audio/support/Tones.cpp"
