#pragma once

#include <osg/BufferObject>
#include <osg/Image>

#include <vector>

namespace MediaFileTest {

// The frame number that a generated picture encodes in its row of cells, read from a BGRA image
// (the layout the video media file copies into its quad), or -1 when the image carries no readable
// pattern. The same cells and thresholds as for decoded frames.
int frameNumberOf(const osg::Image& image);

// Hangs on an image and notes the frame number of every picture written into it, in the order the
// writer marks them modified. Called on the thread that writes the image.
class FrameLog : public osg::BufferData::ModifiedCallback
{
public:
    void modified(osg::BufferData* data) const override;

    // Every picture so far, -1 for unreadable ones.
    const std::vector<int>& frames() const { return frames_; }
    // Pictures written from this index on.
    std::vector<int> framesFrom(std::size_t index) const;

private:
    mutable std::vector<int> frames_;
};

} // namespace MediaFileTest
