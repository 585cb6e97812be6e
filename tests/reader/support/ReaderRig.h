#pragma once

#include "orvCore/SimulationClock.h"
#include "orvCore/Time.h"
#include "orvVis/ProjectorTexture.h"

#include <osg/Image>
#include <osg/Switch>
#include <osgDB/ReaderWriter>

#include <QTemporaryDir>

#include <set>
#include <string>

namespace readerrig {

// Every generated clip runs at this rate; frame n belongs to n / kFrameRate s of media time.
constexpr double kFrameRate = 25.0;
// Frames of the two-second intra-only clip.
constexpr int kClipFrames = 50;
// Test time stamps all lie in this year, so files can give them as seconds into it.
constexpr int kYear = 2026;

// A file of the generated test media.
std::string mediaPath(const std::string& name);
// The stamp `seconds` into the test year.
orvCore::TimeStamp at(double seconds);
// Writes text into a file of the folder and returns its full path.
std::string writeFile(const QTemporaryDir& folder, const std::string& name, const std::string& text);
// A TMD file naming media that starts at `startSeconds` into the test year.
std::string writeTmd(const QTemporaryDir& folder, const std::string& name, const std::string& media,
                     double startSeconds);

// The registry's result for reading the file with these options, through the plugin it loads by name.
osgDB::ReaderWriter::ReadResult readThroughRegistry(const std::string& fileName, const osgDB::Options* options);

// The frame number that a generated picture shows in its row of cells, read from a quad's BGRA
// image; -1 when the image holds no readable picture.
int frameNumberIn(const osg::Image* image);
// The frame the seek rules give for a media position on the intra-only clip: the latest frame at or
// before it, the first one before the start and the last one from the end on.
int clipFrameAt(double mediaSeconds);

// Indices of the switch's children that are on.
std::set<unsigned int> childrenOn(const osg::Switch& node);
// A texture holding the blank picture the node gives it when no video is active.
bool isBlank(const orvVis::ProjectorTexture& texture);

}  // namespace readerrig
