#include "plugin/TmdReader.h"

#include "orvVis/ClockOptions.h"
#include "orvVis/ProjectorTexture.h"
#include "plugin/OsgFindDataFileSearch.h"
#include "plugin/OwnClockNode.h"
#include "plugin/PlaylistNode.h"

#include <QCoreApplication>

#include <osg/ref_ptr>
#include <osgDB/FileNameUtils>

#include <algorithm>
#include <iterator>
#include <sstream>

namespace MediaPlayer2 {

namespace {

const char* const kExtension = "tmd";
const char* const kProjectorTextureKey = "ProjectorTextureProvider";
const char* const kNoClockOptions = "Unable to process file, required orvVis::ClockOptions not found.";
const char* const kNoClock = "Unable to process file, required orvCore::Clock not found.";
const char* const kUnsupported = "Unsupported file type";
// The option word of a host without a simulation clock: the node brings its own.
const char* const kOwnClockOption = "ownClock";

bool hasOptionWord(const osgDB::Options* options, const std::string& word)
{
    if (!options)
        return false;
    std::istringstream words(options->getOptionString());
    return std::find(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>(), word)
        != std::istream_iterator<std::string>();
}

/// The Qt application a node's pipelines need in a host that made none; made once, on the thread
/// that reads, and kept for the life of the process.
void ensureQtApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "osgdb_tmd";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

osgDB::ReaderWriter::ReadResult failure(const char* message)
{
    // A result made from a message alone has the status ERROR_IN_READING_FILE.
    return osgDB::ReaderWriter::ReadResult(std::string(message));
}

}  // namespace

TmdReader::TmdReader()
    : fileSearch_(std::make_unique<OsgFindDataFileSearch>())
{
    supportsExtension(kExtension, "VESTRA TMD file");
    supportsOption(kOwnClockOption, "Without orvVis::ClockOptions: play by a real-time clock of the node's own");
}

TmdReader::~TmdReader() = default;

const char* TmdReader::className() const
{
    return "VESTRA TMD Loader";
}

bool TmdReader::acceptsExtension(const std::string& extension) const
{
    return osgDB::equalCaseInsensitive(extension, kExtension);
}

osgDB::ReaderWriter::Features TmdReader::supportedFeatures() const
{
    return FEATURE_READ_NODE;
}

osgDB::ReaderWriter::ReadResult TmdReader::readNode(const std::string& fileName, const osgDB::Options* options) const
{
    const std::string extension = osgDB::getLowerCaseFileExtension(fileName);
    if (!acceptsExtension(extension))
        return ReadResult(ReadResult::FILE_NOT_HANDLED);
    const auto* clockOptions = dynamic_cast<const orvVis::ClockOptions*>(options);
    const bool ownClock = !clockOptions && hasOptionWord(options, kOwnClockOption);
    if (!clockOptions && !ownClock)
        return failure(kNoClockOptions);
    orvCore::Clock* clock = clockOptions ? clockOptions->clock() : nullptr;
    if (!clock && !ownClock)
        return failure(kNoClock);
    // Only matters for a reader that widens the accepted extensions.
    if (!osgDB::equalCaseInsensitive(extension, kExtension))
        return failure(kUnsupported);

    if (ownClock)
        ensureQtApplication();
    const osg::ref_ptr<PlaylistNode> node = PlaylistNode::loadTmdFile(fileName, fileSearch_.get());
    if (!node)
        return failure(kUnsupported);
    if (const void* texture = options->getPluginData(kProjectorTextureKey))
        node->setProjectorTexture(static_cast<orvVis::ProjectorTexture*>(const_cast<void*>(texture)));
    if (ownClock)
        return ReadResult(new OwnClockNode(*node), ReadResult::FILE_LOADED);
    node->bindToClock(*clock);
    return ReadResult(node.get(), ReadResult::FILE_LOADED);
}

osgDB::ReaderWriter::ReadResult TmdReader::readNode(std::istream&, const osgDB::Options*) const
{
    return ReadResult(ReadResult::FILE_NOT_HANDLED);
}

osgDB::ReaderWriter::WriteResult TmdReader::writeNode(const osg::Node&, const std::string&, const osgDB::Options*) const
{
    return WriteResult(WriteResult::FILE_NOT_HANDLED);
}

osgDB::ReaderWriter::WriteResult TmdReader::writeNode(const osg::Node&, std::ostream&, const osgDB::Options*) const
{
    return WriteResult(WriteResult::FILE_NOT_HANDLED);
}

}  // namespace MediaPlayer2
