#include "ImageFrames.h"

#include "common/FrameStamp.h"

namespace MediaFileTest {

void FrameLog::modified(osg::BufferData* data) const
{
    const osg::Image* image = data->asImage();
    frames_.push_back(image ? FrameStamp::read(*image) : -1);
}

std::vector<int> FrameLog::framesFrom(std::size_t index) const
{
    if (index >= frames_.size())
        return {};
    return std::vector<int>(frames_.begin() + long(index), frames_.end());
}

} // namespace MediaFileTest
