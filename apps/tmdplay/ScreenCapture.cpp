#include "ScreenCapture.h"

#include <osg/Image>
#include <osg/RenderInfo>
#include <osg/Viewport>

#include <utility>

QImage ScreenCapture::take()
{
    return std::exchange(captured_, QImage());
}

void ScreenCapture::operator()(osg::RenderInfo& renderInfo) const
{
    if (!requested_)
        return;
    requested_ = false;
    const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
    if (!viewport)
        return;
    osg::ref_ptr<osg::Image> pixels = new osg::Image;
    pixels->readPixels(static_cast<int>(viewport->x()), static_cast<int>(viewport->y()),
                       static_cast<int>(viewport->width()), static_cast<int>(viewport->height()), GL_RGBA,
                       GL_UNSIGNED_BYTE);
    const QImage picture(pixels->data(), pixels->s(), pixels->t(), static_cast<int>(pixels->getRowSizeInBytes()),
                         QImage::Format_RGBA8888);
    // OpenGL rows run bottom up.
    captured_ = picture.mirrored();
}
