#include "plugin/PlaylistNode.h"

#include "loaders/PlaylistFileLoader.h"
#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"
#include "media/MediaFile.h"
#include "media/MediaParameters.h"
#include "media/OsgMediaFileFactory.h"
#include "playlist/BuildToPlaylist.h"
#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/QtClock.h"
#include "plugin/ActivateChild.h"

#include <QList>

#include <memory>

namespace MediaPlayer2 {

PlaylistNode::PlaylistNode()
    : playlist_(new Playlist(nullptr))
    , activateChild_(new ActivateChild(this))
{
    QObject::connect(playlist_, SIGNAL(entryActivated(const PlaylistEntry*)), activateChild_,
                     SLOT(activate(const PlaylistEntry*)));
}

PlaylistNode::~PlaylistNode()
{
    delete clock_;
    delete activateChild_;
    delete playlist_;
}

PlaylistNode* PlaylistNode::loadTmdFile(const std::string& fileName, orvCore::FileSearch* fileSearch)
{
    TmdBuilderAdapter tmd;
    TmdFileLoader loader(tmd);
    loader.setFallbackFileSearch(fileSearch);
    if (loader.loadFile(fileName) != 0)
        return nullptr;  // every rejected line has been reported

    // Only the file and its start time count here: the item keeps the default playback tuning.
    auto* node = new PlaylistNode;
    MediaParameters params;
    params.guessFileType(tmd.filename());
    params.setTimeZero(tmd.startTime());
    params.setStartTime(tmd.startTime());
    params.setFilename(tmd.filename());
    params.setAudioPosition();
    node->openStandaloneMediaFile_(params);
    return node;
}

PlaylistNode* PlaylistNode::loadLstFile(const std::string& fileName, orvCore::FileSearch* fileSearch)
{
    auto* node = new PlaylistNode;
    OsgMediaFileFactory factory;
    BuildToPlaylist builder(factory);
    PlaylistFileLoader loader(builder);
    loader.setFallbackFileSearch(fileSearch);
    // Every accepted line contributes and every rejected one has been reported, so the count of
    // rejected lines changes nothing.
    loader.loadFile(fileName);
    builder.transfer(node->playlist_);
    node->activateChild_->setHideWhenNotPlaying(node->playlist_->hideWhenNotPlaying());

    QList<std::shared_ptr<PlaylistEntry>> entries;
    node->playlist_->getPlaylistEntries(entries);
    for (const std::shared_ptr<PlaylistEntry>& entry : entries)
        node->addChildNode_(entry.get());
    return node;
}

PlaylistNode* PlaylistNode::loadMediaFile(const std::string& fileName, const orvCore::TimeStamp& startTime)
{
    auto* node = new PlaylistNode;
    MediaParameters params;
    params.guessFileType(fileName);
    params.setTimeZero(startTime);
    params.setStartTime(startTime);
    params.setFilename(fileName);
    params.setAudioPosition();
    node->openStandaloneMediaFile_(params);
    return node;
}

void PlaylistNode::bindToClock(orvCore::Clock& clock)
{
    unbindFromClock();
    clock_ = new QtClock(clock, nullptr);
    QObject::connect(clock_, SIGNAL(tick(const ClockState&)), playlist_, SLOT(setClockState(const ClockState&)));
}

void PlaylistNode::unbindFromClock()
{
    delete clock_;
    clock_ = nullptr;
}

TimeRange PlaylistNode::timeRange() const
{
    return playlist_->timeRange();
}

std::vector<TimeRange> PlaylistNode::itemRanges() const
{
    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist_->getPlaylistEntries(entries);
    std::vector<TimeRange> ranges;
    for (const std::shared_ptr<PlaylistEntry>& entry : entries)
        ranges.emplace_back(entry->mediaParameters().startTime(), entry->mediaParameters().stopTime());
    return ranges;
}

void PlaylistNode::setProjectorTexture(orvVis::ProjectorTexture* texture)
{
    activateChild_->setProjectorTexture(texture);
}

int PlaylistNode::openStandaloneMediaFile_(const MediaParameters& params)
{
    OsgMediaFileFactory factory;
    auto entry = std::make_shared<PlaylistEntry>(nullptr);
    // Loads at once; media that cannot be opened leaves an entry that shows nothing.
    entry->loadMedia(params, factory);
    playlist_->addEntry(entry);
    addChildNode_(entry.get());
    return 0;
}

void PlaylistNode::addChildNode_(const PlaylistEntry* entry)
{
    const std::shared_ptr<MediaFile> media = entry->mediaFile();
    osg::Node* child = media ? media->outputNode() : nullptr;
    if (!child)
        return;  // shown in a window of its own
    addChild(child);
    activateChild_->map(entry, static_cast<int>(getNumChildren()) - 1);
}

}  // namespace MediaPlayer2
