#pragma once

// Before the FFmpeg headers, which need the C99 integer constant macros in C++.
#include <cstdint>

extern "C" {
#include <libavutil/avutil.h>
}

#include <string>
#include <vector>

struct AVFormatContext;

namespace FFmpeg {

class CodecContext;
class Packet;

// An opened media file (container) with one unopened decoder description per stream: entry n
// always belongs to stream n. Times are media times, counted from the container's start: packets
// come with their time stamps moved by the start (an MPEG-TS stream starting at 1.4 s, an edit
// list), so that the first frame of a clip that starts with it is at 0, and seeks take media times.
// Used by one thread at a time.
class FormatContext
{
public:
    FormatContext();
    FormatContext(const FormatContext&) = delete;
    FormatContext& operator=(const FormatContext&) = delete;
    virtual ~FormatContext();

    int open(const std::string& filename);
    int close();
    bool isOpen() const;

    int numStreams() const;
    // Index of the best stream of that type, negative when there is none (or the file is closed).
    int findBestStream(AVMediaType type) const;
    // Not owned by the caller; null for an index past the end.
    CodecContext* codecContext(unsigned int index) const;
    std::string codecName(unsigned int index) const;

    // 1 when no packet could be read, end of file included.
    int readFrame(Packet& packet);
    double duration() const;
    // Lands on the key frame at or before the target where the format allows it.
    int seek(double seconds);
    int dumpFormat();

private:
    AVFormatContext* context_;
    std::string filename_;
    int64_t startTime_ = 0;  // in microseconds
    std::vector<CodecContext*> codecContexts_;
};

} // namespace FFmpeg
