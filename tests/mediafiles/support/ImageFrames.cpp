#include "ImageFrames.h"

#include "common/FrameStamp.h"

namespace MediaFileTest {

void FrameLog::modified(osg::BufferData* data) const
{
    const osg::Image* image = data->asImage();
    frames_.push_back(image ? FrameStamp::read(*image) : -1);
}

} // namespace MediaFileTest
