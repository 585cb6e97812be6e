#include "MediaItems.h"

#include "loaders/PlaylistFileLoader.h"
#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"
#include "orvCore/TimeFormatter.h"
#include "playlist/PlaylistBuilder.h"

#include <QFileInfo>

#include <algorithm>

namespace {

using MediaPlayer2::MediaParameters;

/// Keeps the records of a playlist file without loading any media.
class RecordCollector : public MediaPlayer2::PlaylistBuilder {
public:
    explicit RecordCollector(std::vector<MediaParameters>& records)
        : records_(records)
    {
    }
    void setHideWhenNotPlaying(bool) override {}
    void loadAudio(const MediaParameters& params) override { records_.push_back(params); }
    void loadVideo(const MediaParameters& params) override { records_.push_back(params); }
    void loadImage(const MediaParameters& params) override { records_.push_back(params); }
    void loadBookmarks(const std::string&) override {}
    void notifyTmdFound(const std::string&) override {}

private:
    std::vector<MediaParameters>& records_;
};

MediaParameters itemAt(const std::string& fileName, const orvCore::TimeStamp& start)
{
    MediaParameters params;
    params.setFilename(fileName);
    params.setTimeZero(start);
    params.setStartTime(start);
    return params;
}

}  // namespace

MediaItems::Kind MediaItems::kindOf(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("tmd"))
        return Kind::Tmd;
    if (suffix == QLatin1String("lst"))
        return Kind::Playlist;
    return Kind::Media;
}

MediaItems MediaItems::read(const QString& fileName, const orvCore::TimeStamp& mediaStart,
                            orvCore::FileSearch* fileSearch)
{
    MediaItems items;
    const std::string name = fileName.toStdString();
    switch (kindOf(fileName)) {
    case Kind::Tmd: {
        MediaPlayer2::TmdBuilderAdapter adapter;
        MediaPlayer2::TmdFileLoader loader(adapter);
        loader.setFallbackFileSearch(fileSearch);
        if (loader.loadFile(name) == 0)
            items.records_.push_back(itemAt(adapter.filename(), adapter.startTime()));
        break;
    }
    case Kind::Playlist: {
        RecordCollector collector(items.records_);
        MediaPlayer2::PlaylistFileLoader loader(collector);
        loader.setFallbackFileSearch(fileSearch);
        loader.loadFile(name);
        break;
    }
    case Kind::Media:
        items.records_.push_back(itemAt(name, mediaStart));
        break;
    }
    // The playlist keeps the first item read for a start time, in ascending start time.
    std::stable_sort(items.records_.begin(), items.records_.end(),
                     [](const MediaParameters& a, const MediaParameters& b) { return a.startTime() < b.startTime(); });
    items.records_.erase(std::unique(items.records_.begin(), items.records_.end(),
                                     [](const MediaParameters& a, const MediaParameters& b) {
                                         return a.startTime() == b.startTime();
                                     }),
                         items.records_.end());
    return items;
}

orvCore::TimeStamp MediaItems::firstStart() const
{
    return records_.empty() ? orvCore::TimeStamp() : records_.front().startTime();
}

const MediaParameters* MediaItems::recordOfChild(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < records_.size() ? &records_[index] : nullptr;
}

std::optional<orvCore::TimeStamp> MediaItems::resolveTime(const QString& text, const orvCore::TimeStamp& origin)
{
    if (text.startsWith(QLatin1Char('+'))) {
        bool ok = false;
        const double seconds = text.mid(1).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return origin + orvCore::Seconds(seconds);
    }
    orvCore::TimeStamp stamp;
    if (orvCore::TimeFormatterRegistry(true).fromString(text.toStdString(), stamp, orvCore::currentYear()) != 0)
        return std::nullopt;
    return stamp;
}
