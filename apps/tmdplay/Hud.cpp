#include "Hud.h"

#include "orvCore/SimulationClock.h"
#include "orvCore/TimeFormatter.h"

#include <QFile>

#include <osg/Geode>

#include <sstream>

namespace {
// Text height and margin in pixels of the HUD's pixel-sized projection.
constexpr float kTextHeight = 24.0f;
constexpr float kMargin = 12.0f;
// OSG's built-in font lacks some characters of a time string; Debian's fonts-dejavu-core has them all.
const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
}  // namespace

Hud::Hud(int width, int height)
    : camera_(new osg::Camera)
    , text_(new osgText::Text)
    , width_(width)
{
    camera_->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    camera_->setProjectionMatrixAsOrtho2D(0, width, 0, height);
    camera_->setViewMatrix(osg::Matrix::identity());
    camera_->setClearMask(GL_DEPTH_BUFFER_BIT);
    camera_->setRenderOrder(osg::Camera::POST_RENDER);
    camera_->setAllowEventFocus(false);

    if (QFile::exists(QString::fromLatin1(kFontFile)))
        text_->setFont(kFontFile);
    text_->setCharacterSize(kTextHeight);
    text_->setPosition(osg::Vec3(kMargin, height - kMargin - kTextHeight, 0.0f));
    text_->setColor(osg::Vec4(1.0f, 1.0f, 0.3f, 1.0f));
    text_->setBackdropType(osgText::Text::OUTLINE);
    text_->setDataVariance(osg::Object::DYNAMIC);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(text_.get());
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    camera_->addChild(geode.get());
}

void Hud::addTimeline(std::function<Timeline::Windows()> windows)
{
    timeline_ = std::make_unique<Timeline>(std::move(windows), width_);
    camera_->addChild(timeline_->node());
}

void Hud::show(const orvCore::SimulationClock& clock, const std::string& extra)
{
    if (timeline_)
        timeline_->show(clock.currentTime());
    const std::string line = describe(clock) + extra;
    if (line != shown_) {
        shown_ = line;
        text_->setText(line);
    }
}

std::string Hud::describe(const orvCore::SimulationClock& clock)
{
    static const char* const kDirections[] = {"playing", "reverse", "stopped"};
    std::ostringstream out;
    out << orvCore::TimeFormatterRegistry(false).toString(clock.currentTime()) << "  "
        << kDirections[clock.timeDirection()] << (clock.isRealTime() ? "" : " (non-real-time)") << "  x"
        << clock.timeScale();
    return out.str();
}
