#include "media/MediaFile.h"

namespace MediaPlayer2 {

MediaFile::MediaFile(QObject* parent)
    : QObject(parent)
{
}

MediaFile::~MediaFile() = default;

}  // namespace MediaPlayer2
