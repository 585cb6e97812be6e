#include "media/MediaFileFactory.h"

namespace MediaPlayer2 {

MediaFileFactory::~MediaFileFactory() = default;

}  // namespace MediaPlayer2
