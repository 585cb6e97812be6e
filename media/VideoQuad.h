#pragma once

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Image>
#include <osg/NodeCallback>
#include <osg/ref_ptr>

#include <string>

namespace MediaPlayer2 {

/// The textured rectangle on which every picture is shown in the scene: one scene unit per image
/// pixel, centred on its own origin. Media files write into image(); the quad follows the image's
/// pixel size on the next update traversal. Scaling and placing it is left to its parents.
///
/// The quad takes no lock: the image is written by the thread that owns the media file and read by
/// the update and draw traversals, so the host keeps those apart when they run on different threads.
class VideoQuad : public osg::Geode {
public:
    /// Watches the quad's image during the update traversal and resizes the quad when the image's
    /// pixel size has changed since the last traversal.
    class TextureSizeCallback : public osg::NodeCallback {
    public:
        TextureSizeCallback(VideoQuad* quad, int width, int height);

        void operator()(osg::Node* node, osg::NodeVisitor* visitor) override;

    protected:
        ~TextureSizeCallback() override;

    private:
        // The quad owns this callback through its callback chain, so a counted reference would
        // keep both alive forever.
        VideoQuad* videoQuad_;
        // Image size at the last check; touched only by the update traversal.
        int width_;
        int height_;
    };

    /// A transparent black quad for a picture of this size that is written later. A size below one
    /// pixel gives an empty image and a degenerate rectangle until a writer sizes the image.
    VideoQuad(int width, int height);
    /// A quad showing an image file; an unreadable file shows a 32 x 32 red cross instead.
    explicit VideoQuad(const std::string& fileName);

    osg::Image* image() const;
    /// Turns the picture upside down through the texture coordinates, for writers whose rows run
    /// top to bottom.
    void setFlipVertical(bool flip);

    /// A new unflipped rectangle for the image's size, textured with it; the caller takes the
    /// only reference.
    static osg::Geometry* makeGeometryForImage(osg::Image* image);

protected:
    ~VideoQuad() override;

private:
    void init_();
    void recalcSize_();

    // Built during construction; afterwards changed only by setFlipVertical on the owning thread
    // and by the update traversal, which the host keeps apart.
    osg::ref_ptr<osg::Image> image_;
    osg::ref_ptr<osg::Geometry> geometry_;
    bool flipVertical_ = false;
};

}  // namespace MediaPlayer2
