#pragma once

#include "media/MediaFile.h"

#include <QObject>

#include <string>
#include <vector>

namespace MediaFileTest {

// Notes every signal of a media file as a word, in the order they come: "error(1)",
// "loadingComplete", "endOfMedia", "mediaPlaying".
class SignalLog : public QObject
{
    Q_OBJECT
public:
    explicit SignalLog(MediaPlayer2::MediaFile& file);

    std::vector<std::string> signalNames;
    QWidget* lastOutputWidget = nullptr;
};

} // namespace MediaFileTest
