#include "KeyboardHandler.h"

#include "ClockControl.h"

#include <QString>

KeyboardHandler::KeyboardHandler(ClockControl& control)
    : control_(control)
{
}

bool KeyboardHandler::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter&)
{
    if (event.getEventType() != osgGA::GUIEventAdapter::KEYDOWN)
        return false;
    switch (event.getKey()) {
    case osgGA::GUIEventAdapter::KEY_Space: return control_.press(QStringLiteral("space"));
    case osgGA::GUIEventAdapter::KEY_Left: return control_.press(QStringLiteral("left"));
    case osgGA::GUIEventAdapter::KEY_Right: return control_.press(QStringLiteral("right"));
    case osgGA::GUIEventAdapter::KEY_Up: return control_.press(QStringLiteral("up"));
    case osgGA::GUIEventAdapter::KEY_Down: return control_.press(QStringLiteral("down"));
    case osgGA::GUIEventAdapter::KEY_KP_Add: return control_.press(QStringLiteral("+"));
    case osgGA::GUIEventAdapter::KEY_KP_Subtract: return control_.press(QStringLiteral("-"));
    default: break;
    }
    const int key = event.getKey();
    return key > 0 && key < 128 && control_.press(QString(QChar(key)));
}
