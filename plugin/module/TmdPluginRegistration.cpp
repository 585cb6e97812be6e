// The library osgDB loads by name for the "tmd" extension: nothing but the registration, which adds
// one TmdReader to the registry on load and removes it on unload. The reader lives in mediaplayer2.
#include "plugin/TmdReader.h"

#include <osgDB/Registry>

// The macro pastes the class name into a variable name, so it must be unqualified.
using MediaPlayer2::TmdReader;
REGISTER_OSGPLUGIN(tmd, TmdReader)
