#pragma once

#include <QDir>

class ScreenCapture;

/// Writes every frame drawn to a folder as numbered JPEG pictures (frame-00001.jpg, ...), from
/// which a video of the run is made; does nothing without a folder.
class FrameRecorder {
public:
    /// An empty folder name records nothing.
    FrameRecorder(const QString& folder, ScreenCapture& capture);

    void beforeFrame();
    /// Saves the frame just drawn; false when it could not be written.
    bool afterFrame();
    int written() const { return written_; }

private:
    QDir folder_;
    bool recording_;
    ScreenCapture& capture_;
    int written_ = 0;
};
