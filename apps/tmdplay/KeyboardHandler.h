#pragma once

#include <osgGA/GUIEventHandler>

class ClockControl;

/// Turns key presses in the viewer window into clock commands.
class KeyboardHandler : public osgGA::GUIEventHandler {
public:
    explicit KeyboardHandler(ClockControl& control);

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter&) override;

private:
    ClockControl& control_;  // outlives the viewer that holds this handler
};
