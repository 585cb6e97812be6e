#pragma once

// Before the FFmpeg headers, which need the C99 integer constant macros in C++.
#include <cstdint>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <QMetaType>

#include <memory>

namespace FFmpeg {

// One decoded (or converted) picture or block of audio samples. Written only by the stage that
// creates it; once handed on inside a std::shared_ptr it is read-only.
class Frame
{
public:
    Frame();
    // A second reference to the same data buffers: no pixels are copied, and the copy owns no
    // buffer of its own, so fillImage on it fails.
    Frame(const Frame& other);
    Frame& operator=(const Frame&) = delete;
    virtual ~Frame();

    // Gives the frame a packed buffer (rows without padding) for a picture of this format and size.
    int allocateBuffer(AVPixelFormat pixelFormat, int width, int height);
    // The same with a buffer taken from the pool, whose buffers must be large enough for the packed
    // picture; the buffer returns to the pool once no frame refers to it any more.
    int allocateBuffer(AVPixelFormat pixelFormat, int width, int height, AVBufferPool& pool);
    // Copies raw pixel bytes into plane 0 of a buffer made by allocateBuffer.
    int fillImage(const unsigned char* data, unsigned long size);
    // Copies time stamps and other properties, no pixels.
    int copyMetadata(const Frame& other);

    AVFrame* avFrame();
    const AVFrame* avFrame() const;

    int numSamples() const;
    int sampleRate() const;
    int width() const;
    int height() const;
    AVPixelFormat pixelFormat() const;

    // The override time when set, else the decoder's best-effort time stamp.
    int64_t bestEffortTimeStamp() const;
    void setOverrideTime(int64_t time);

private:
    AVFrame* frame_;
    int64_t overrideTime_;
    int bufferSize_;
};

} // namespace FFmpeg

Q_DECLARE_METATYPE(std::shared_ptr<FFmpeg::Frame>)
