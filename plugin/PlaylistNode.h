#pragma once

#include "orvCore/Clock.h"
#include "orvCore/FileSearch.h"
#include "orvCore/Time.h"
#include "playlist/TimeRange.h"

#include <osg/Switch>

#include <string>
#include <vector>

namespace orvVis {
class ProjectorTexture;
}

namespace MediaPlayer2 {

class ActivateChild;
class MediaParameters;
class Playlist;
class PlaylistEntry;
class QtClock;

/// The scene node that plays a playlist in step with the host clock: a switch with one child per
/// media item that shows itself in the scene, of which the active item's child is the one on.
///
/// Built by one of the static loaders, which return it with no reference held (the caller keeps it
/// in an osg::ref_ptr). The playlist, the clock binding and the child switching all live on the
/// thread that builds the node and runs the Qt event loop; the host clock must notify on it.
/// Keeps the switch's identity, so cloning it gives a plain osg::Switch.
class PlaylistNode : public osg::Switch {
public:
    PlaylistNode();

    /// One item from a TMD file; null when the file cannot be opened or has a rejected line. A
    /// media file that cannot be opened still gives a node, whose one child shows nothing.
    static PlaylistNode* loadTmdFile(const std::string& fileName, orvCore::FileSearch* fileSearch);
    /// Every accepted item of a playlist file; never null (an unreadable file gives no children).
    static PlaylistNode* loadLstFile(const std::string& fileName, orvCore::FileSearch* fileSearch);
    /// One item whose first frame belongs at startTime; the name is used as given. Never null.
    static PlaylistNode* loadMediaFile(const std::string& fileName, const orvCore::TimeStamp& startTime);

    /// Drives the playlist from clock from its next change on, replacing an earlier binding. The
    /// clock must outlive the binding.
    void bindToClock(orvCore::Clock& clock);
    /// Stops following the clock bound last, which may then go.
    void unbindFromClock();
    /// From the earliest start of the items to the latest end; invalid without items.
    TimeRange timeRange() const;
    /// Each item's window, in ascending start time.
    std::vector<TimeRange> itemRanges() const;
    /// The host's texture that shows the active video's picture; not owned, may be null.
    void setProjectorTexture(orvVis::ProjectorTexture* texture);

protected:
    /// Unbinds from the clock first, so no tick reaches a half-destroyed playlist.
    ~PlaylistNode() override;

private:
    int openStandaloneMediaFile_(const MediaParameters& params);
    void addChildNode_(const PlaylistEntry* entry);

    // Owned, and used only on the thread that built the node.
    Playlist* playlist_;
    ActivateChild* activateChild_;
    QtClock* clock_ = nullptr;  ///< null until bound
};

}  // namespace MediaPlayer2
