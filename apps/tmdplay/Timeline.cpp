#include "Timeline.h"

#include <osg/LineWidth>

#include <algorithm>

namespace {

// Pixels of the HUD: margins, and the height of a row and the gap between rows.
constexpr float kMargin = 12.0f;
constexpr float kRowHeight = 8.0f;
constexpr float kRowGap = 3.0f;
// The layers drawn one over the other: the strip, the windows, the marker.
constexpr int kStripLayer = 10;
constexpr int kWindowLayer = 11;
constexpr int kMarkerLayer = 12;
// The span when no window has an end.
constexpr double kOpenSpanSeconds = 10.0;

const osg::Vec4 kBackground(0.05f, 0.06f, 0.08f, 1.0f);
const osg::Vec4 kMarker(1.0f, 1.0f, 0.3f, 1.0f);
const osg::Vec4 kPalette[] = {{0.35f, 0.7f, 1.0f, 1.0f}, {0.45f, 0.85f, 0.45f, 1.0f}, {1.0f, 0.6f, 0.3f, 1.0f},
                              {0.85f, 0.45f, 0.85f, 1.0f}, {0.9f, 0.85f, 0.4f, 1.0f}, {0.4f, 0.85f, 0.8f, 1.0f}};

bool isOpen(const orvCore::TimeStamp& time)
{
    return time == orvCore::INFINITE_TIME_STAMP || time == orvCore::MIN_TIME_STAMP;
}

/// Drawn in the order of layer, over what the HUD drew before.
void drawInLayer(osg::Drawable& drawable, int layer)
{
    osg::StateSet* state = drawable.getOrCreateStateSet();
    state->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
    state->setRenderBinDetails(layer, "RenderBin");
}

osg::Geometry* rectangle(float x0, float y0, float x1, float y1, int layer, const osg::Vec4& colour)
{
    auto* vertices = new osg::Vec3Array;
    for (const osg::Vec3& corner : {osg::Vec3(x0, y0, 0.0f), osg::Vec3(x1, y0, 0.0f), osg::Vec3(x1, y1, 0.0f),
                                    osg::Vec3(x0, y1, 0.0f)})
        vertices->push_back(corner);
    auto* geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setColorArray(new osg::Vec4Array(1, &colour), osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    drawInLayer(*geometry, layer);
    return geometry;
}

}  // namespace

Timeline::Timeline(std::function<Windows()> windows, int width)
    : windows_(std::move(windows))
    , width_(float(width) - 2.0f * kMargin)
    , geode_(new osg::Geode)
{
    geode_->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
}

void Timeline::show(const orvCore::TimeStamp& time)
{
    const Windows windows = windows_();
    const auto same = [](const MediaPlayer2::TimeRange& a, const MediaPlayer2::TimeRange& b) {
        return a.begin() == b.begin() && a.end() == b.end();
    };
    if (!std::equal(windows.begin(), windows.end(), laidOut_.begin(), laidOut_.end(), same))
        layOut_(windows);
    if (!marker_)
        return;
    const float x = xOf_(time);
    if ((*marker_)[0].x() == x)
        return;
    (*marker_)[0].x() = x;
    (*marker_)[1].x() = x;
    marker_->dirty();
    geode_->dirtyBound();
}

void Timeline::layOut_(const Windows& windows)
{
    laidOut_ = windows;
    geode_->removeDrawables(0, geode_->getNumDrawables());
    marker_ = nullptr;
    Windows shown;
    std::copy_if(windows.begin(), windows.end(), std::back_inserter(shown),
                 [](const MediaPlayer2::TimeRange& window) { return !isOpen(window.begin()); });
    if (shown.empty())
        return;
    begin_ = std::min_element(shown.begin(), shown.end())->begin();
    orvCore::TimeStamp end = begin_;
    for (const MediaPlayer2::TimeRange& window : shown)
        end = std::max(end, isOpen(window.end()) ? window.begin() : window.end());
    seconds_ = end > begin_ ? (end - begin_).toDouble() : kOpenSpanSeconds;

    const float top = kMargin + float(shown.size()) * (kRowHeight + kRowGap) + kRowGap;
    geode_->addDrawable(rectangle(kMargin - 4.0f, kMargin - 4.0f, kMargin + width_ + 4.0f, top + 4.0f, kStripLayer, kBackground));
    float row = kMargin + kRowGap;
    std::size_t colour = 0;
    for (const MediaPlayer2::TimeRange& window : shown) {
        const float x0 = xOf_(window.begin());
        const float x1 = isOpen(window.end()) ? kMargin + width_ : xOf_(window.end());
        geode_->addDrawable(rectangle(x0, row, std::max(x1, x0 + 2.0f), row + kRowHeight, kWindowLayer,
                                      kPalette[colour++ % std::size(kPalette)]));
        row += kRowHeight + kRowGap;
    }
    marker_ = new osg::Vec3Array;
    marker_->push_back(osg::Vec3(kMargin, kMargin - 6.0f, 0.0f));
    marker_->push_back(osg::Vec3(kMargin, top + 6.0f, 0.0f));
    auto* markerLine = new osg::Geometry;
    markerLine->setDataVariance(osg::Object::DYNAMIC);
    markerLine->setUseDisplayList(false);
    markerLine->setVertexArray(marker_.get());
    markerLine->setColorArray(new osg::Vec4Array(1, &kMarker), osg::Array::BIND_OVERALL);
    markerLine->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 2));
    markerLine->getOrCreateStateSet()->setAttribute(new osg::LineWidth(3.0f));
    drawInLayer(*markerLine, kMarkerLayer);
    geode_->addDrawable(markerLine);
}

float Timeline::xOf_(const orvCore::TimeStamp& time) const
{
    const double along = std::clamp((time - begin_).toDouble() / seconds_, 0.0, 1.0);
    return kMargin + float(along) * width_;
}
