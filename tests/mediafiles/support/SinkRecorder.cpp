// Built into this suite too: the audio output tests' recorder of the sound server's output.
#include "../../audio/support/SinkRecorder.cpp"
