#pragma once

#include "MediaItems.h"

#include <QString>

#include <osg/ref_ptr>

namespace orvCore {
class Clock;
class FileSearch;
}
namespace orvVis {
class ProjectorTexture;
}
namespace MediaPlayer2 {
class PlaylistNode;
}

/// Turns tmdplay's argument into a playlist node bound to the host clock, the way a host does: a
/// .tmd file through the osgDB registry and the osgdb_tmd plugin, a playlist file or a bare media
/// file through the node's static loaders.
class SceneLoader {
public:
    /// Points osgDB at the plugin folder beside the executable (build tree or installed tree) unless
    /// OSG_LIBRARY_PATH says where to look.
    static void findPluginBesideExecutable(const QString& executablePath);

    /// Null with a message in error when the file cannot be read. A projector given gets the active
    /// video's pictures.
    static osg::ref_ptr<MediaPlayer2::PlaylistNode> load(const QString& fileName, MediaItems::Kind kind,
                                                         const orvCore::TimeStamp& mediaStart,
                                                         orvCore::Clock& clock, orvCore::FileSearch& fileSearch,
                                                         QString& error, orvVis::ProjectorTexture* projector = nullptr);
};
