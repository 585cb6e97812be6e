#pragma once

#include "orvCore/FileSearch.h"

#include <osgDB/ReaderWriter>

#include <istream>
#include <memory>
#include <ostream>
#include <string>

namespace MediaPlayer2 {

/// The osgDB reader for TMD files: reads one into a PlaylistNode bound to the host clock handed in
/// an orvVis::ClockOptions, fed to the projector texture published under "ProjectorTextureProvider".
/// Read-only; failures come back as results, never as exceptions.
class TmdReader : public osgDB::ReaderWriter {
public:
    TmdReader();

    const char* className() const override;
    bool acceptsExtension(const std::string& extension) const override;
    Features supportedFeatures() const override;

    ReadResult readNode(const std::string& fileName, const osgDB::Options* options) const override;
    ReadResult readNode(std::istream& stream, const osgDB::Options* options) const override;
    WriteResult writeNode(const osg::Node& node, const std::string& fileName,
                          const osgDB::Options* options) const override;
    WriteResult writeNode(const osg::Node& node, std::ostream& stream, const osgDB::Options* options) const override;

protected:
    ~TmdReader() override;

private:
    // The fallback for files named inside TMD files; shared by every read, in any thread.
    const std::unique_ptr<orvCore::FileSearch> fileSearch_;
};

}  // namespace MediaPlayer2
