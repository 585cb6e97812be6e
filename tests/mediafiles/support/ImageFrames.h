#pragma once

#include <osg/BufferObject>
#include <osg/Image>

#include <vector>

namespace MediaFileTest {

// Hangs on an image and notes the frame number of every picture written into it, in the order the
// writer marks them modified (-1 for a picture without a readable frame stamp). Called on the
// thread that writes the image.
class FrameLog : public osg::BufferData::ModifiedCallback
{
public:
    void modified(osg::BufferData* data) const override;

    // Every picture so far, -1 for unreadable ones.
    const std::vector<int>& frames() const { return frames_; }

private:
    mutable std::vector<int> frames_;
};

} // namespace MediaFileTest
