#pragma once

#include "media/ImageFile.h"
#include "media/VideoQuad.h"

#include <osg/PositionAttitudeTransform>
#include <osg/ref_ptr>

namespace MediaPlayer2 {

/// A still image shown in the scene graph on a VideoQuad under a transform that turns the picture's
/// top-down rows right side up. The scene graph may keep the nodes alive after this file is gone.
class ImageFileWithVideoQuad : public ImageFile {
    Q_OBJECT

public:
    explicit ImageFileWithVideoQuad(QObject* parent = nullptr);
    ~ImageFileWithVideoQuad() override;

    void setMedia(const QUrl& url) override;
    QWidget* outputWidget() const override;
    /// The transform carrying the quad.
    osg::Node* outputNode() const override;

public slots:
    /// Copies the picture to the quad once after each setMedia, then announces the (absent) window.
    void show() override;

private:
    // Used on the thread that owns the playlist; the scene traversals read the quad's image.
    osg::ref_ptr<osg::PositionAttitudeTransform> transform_;
    osg::ref_ptr<VideoQuad> videoQuad_;
    bool imageChanged_ = true;
};

}  // namespace MediaPlayer2
