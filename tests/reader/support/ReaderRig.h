#pragma once

#include "orvCore/SimulationClock.h"
#include "orvCore/Time.h"
#include "orvVis/ProjectorTexture.h"

#include <osg/Image>
#include <osg/Switch>

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

// The frame a seek to a media position shows on the intra-only clip. A seek decodes up to the first
// packet presented strictly after the target and shows the last picture out, so it is the frame
// after the target; a position before the start seeks to 0, one at or past the end shows the last.
int clipFrameAfterSeekTo(double mediaSeconds);

// Indices of the switch's children that are on.
std::set<unsigned int> childrenOn(const osg::Switch& node);
// A texture holding the blank picture the node gives it when no video is active.
bool isBlank(const orvVis::ProjectorTexture& texture);

}  // namespace readerrig
