// Built into this suite too: the media file tests' signal log.
#include "../../mediafiles/support/SignalLog.cpp"
