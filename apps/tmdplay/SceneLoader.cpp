#include "SceneLoader.h"

#include "orvVis/ClockOptions.h"
#include "plugin/PlaylistNode.h"

#include <QDir>
#include <QFileInfo>

#include <osgDB/ReadFile>
#include <osgDB/Registry>

void SceneLoader::findPluginBesideExecutable(const QString& executablePath)
{
    if (!qEnvironmentVariableIsEmpty("OSG_LIBRARY_PATH"))
        return;
    const QDir binDir = QFileInfo(executablePath).absoluteDir();
    // The build tree keeps plugins in lib/, an installed tree in its library folder.
    for (const QString& libDir : {QStringLiteral("../lib"), QStringLiteral("../" TMDPLAY_INSTALL_LIBDIR)}) {
        const QString candidate = QDir::cleanPath(binDir.absoluteFilePath(libDir));
        if (QFileInfo::exists(candidate + QStringLiteral("/" TMDPLAY_PLUGIN_DIR_NAME))) {
            // The registry may already exist (libraries register with it as they load), so it is
            // told directly as well as through the variable that later processes inherit.
            qputenv("OSG_LIBRARY_PATH", QFile::encodeName(candidate));
            osgDB::Registry::instance()->getLibraryFilePathList().push_front(candidate.toStdString());
            return;
        }
    }
}

osg::ref_ptr<MediaPlayer2::PlaylistNode> SceneLoader::load(const QString& fileName, MediaItems::Kind kind,
                                                           const orvCore::TimeStamp& mediaStart,
                                                           orvCore::Clock& clock, orvCore::FileSearch& fileSearch,
                                                           QString& error, orvVis::ProjectorTexture* projector)
{
    const std::string name = fileName.toStdString();
    osg::ref_ptr<MediaPlayer2::PlaylistNode> node;
    switch (kind) {
    case MediaItems::Kind::Tmd: {
        // The reader binds the node to the clock it finds in the options.
        osg::ref_ptr<orvVis::ClockOptions> options = new orvVis::ClockOptions(&clock);
        if (projector)
            options->setPluginData("ProjectorTextureProvider", projector);
        osg::ref_ptr<osg::Node> read = osgDB::readRefNodeFile(name, options.get());
        node = dynamic_cast<MediaPlayer2::PlaylistNode*>(read.get());
        if (!node)
            error = QStringLiteral("%1: not read by the osgdb_tmd plugin (is it in the osgDB library path?)").arg(fileName);
        return node;
    }
    case MediaItems::Kind::Playlist:
        node = MediaPlayer2::PlaylistNode::loadLstFile(name, &fileSearch);
        break;
    case MediaItems::Kind::Media:
        node = MediaPlayer2::PlaylistNode::loadMediaFile(name, mediaStart);
        break;
    }
    node->bindToClock(clock);
    node->setProjectorTexture(projector);
    return node;
}
