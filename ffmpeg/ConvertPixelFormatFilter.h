#pragma once

#include "ffmpeg/Frame.h"

#include <QObject>

#include <memory>

namespace UTILS {
class ScaleAndReformat;
}

namespace FFmpeg {

class CodecContext;

// Converts each video frame to one pixel format and size (the pipeline asks for BGRA at the
// decoder's picture size). Frames of another size or format than the decoder announced, as in
// streams that change resolution, are converted too: the scaler is set up anew for them.
// A frame whose pixels could not be written is not passed on.
class ConvertPixelFormatFilter : public QObject
{
    Q_OBJECT
public:
    // The codec context gives the source size and format; it is not owned.
    ConvertPixelFormatFilter(const CodecContext& codecContext, AVPixelFormat outputFormat,
                             QObject* parent = nullptr);
    ~ConvertPixelFormatFilter() override;

    // A width or height below 1 keeps the present one. 0 on success, 1 when no scaler can be
    // made for the decoder's picture.
    int reinitialize(AVPixelFormat format, int width, int height);
    // A frame with a packed buffer (rows without gaps) in the output format and size; the
    // caller owns it. Buffers are recycled: one goes back to the filter's pool when the last frame
    // referring to it is released, in whichever thread that happens.
    Frame* createFrame() const;

signals:
    void convertedFrameReady(std::shared_ptr<FFmpeg::Frame> frame);

public slots:
    void convert(std::shared_ptr<FFmpeg::Frame> frame);
    // Writes over the output frame, which no one else may hold, when it has a buffer of the output
    // format and size; otherwise takes one from the pool, as above.
    void convert(std::shared_ptr<FFmpeg::Frame> inputFrame, std::shared_ptr<FFmpeg::Frame> outputFrame);

private:
    bool hasOutputBuffer_(const Frame& outputFrame) const;
    // Sets the scaler up for the input frame's own size and format; reuses it when unchanged.
    bool prepareScalerFor_(const Frame& inputFrame);

    // All members belong to the thread the filter lives in (the decoder thread when threaded).
    const CodecContext& codecContext_;
    AVPixelFormat outputFormat_;
    int outputWidth_;
    int outputHeight_;
    UTILS::ScaleAndReformat* scaler_;  // owned
    // Output buffers for the present output format and size. A full-HD picture is 8 MB: taken
    // fresh for every frame, each one would be faulted in page by page. Released with the filter;
    // buffers still held elsewhere free themselves when let go.
    AVBufferPool* bufferPool_ = nullptr;
};

} // namespace FFmpeg
