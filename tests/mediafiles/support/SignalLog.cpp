#include "SignalLog.h"

namespace MediaFileTest {

SignalLog::SignalLog(MediaPlayer2::MediaFile& file)
{
    using MediaPlayer2::MediaFile;
    connect(&file, &MediaFile::error, this,
            [this](MediaFile::Error error) { signalNames.push_back("error(" + std::to_string(int(error)) + ")"); });
    connect(&file, &MediaFile::loadingComplete, this, [this] { signalNames.push_back("loadingComplete"); });
    connect(&file, &MediaFile::endOfMedia, this, [this] { signalNames.push_back("endOfMedia"); });
    connect(&file, &MediaFile::mediaPlaying, this, [this](QWidget* widget) {
        signalNames.push_back("mediaPlaying");
        lastOutputWidget = widget;
    });
}

} // namespace MediaFileTest
