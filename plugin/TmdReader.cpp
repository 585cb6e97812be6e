#include "plugin/TmdReader.h"

#include "orvVis/ClockOptions.h"
#include "orvVis/ProjectorTexture.h"
#include "plugin/OsgFindDataFileSearch.h"
#include "plugin/PlaylistNode.h"

#include <osg/ref_ptr>
#include <osgDB/FileNameUtils>

namespace MediaPlayer2 {

namespace {

const char* const kExtension = "tmd";
const char* const kProjectorTextureKey = "ProjectorTextureProvider";
const char* const kNoClockOptions = "Unable to process file, required orvVis::ClockOptions not found.";
const char* const kNoClock = "Unable to process file, required orvCore::Clock not found.";
const char* const kUnsupported = "Unsupported file type";

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
    if (!clockOptions)
        return failure(kNoClockOptions);
    orvCore::Clock* clock = clockOptions->clock();
    if (!clock)
        return failure(kNoClock);
    // Only matters for a reader that widens the accepted extensions.
    if (!osgDB::equalCaseInsensitive(extension, kExtension))
        return failure(kUnsupported);

    const osg::ref_ptr<PlaylistNode> node = PlaylistNode::loadTmdFile(fileName, fileSearch_.get());
    if (!node)
        return failure(kUnsupported);
    node->bindToClock(*clock);
    if (const void* texture = options->getPluginData(kProjectorTextureKey))
        node->setProjectorTexture(static_cast<orvVis::ProjectorTexture*>(const_cast<void*>(texture)));
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
