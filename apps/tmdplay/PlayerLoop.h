#pragma once

#include "PlayerOptions.h"

#include "orvCore/Time.h"

#include <osgViewer/Viewer>

namespace orvCore {
class SimulationClock;
}
class ClockControl;
class FrameRecorder;
class Hud;
class MediaItems;
class ScenePictures;
class ScreenshotPlan;
class StagePictures;
class SyncReport;

/// The host's one loop on one thread: advance the clock (which drives the playlist through its
/// observers), let Qt deliver the media files' frames, then draw a frame. Screenshots, the sync
/// report, scripted keys and the HUD hook in between.
class PlayerLoop {
public:
    struct Parts {
        osgViewer::Viewer& viewer;
        orvCore::SimulationClock& clock;
        ClockControl& control;
        Hud& hud;
        const ScenePictures& pictures;
        const StagePictures& stagePictures;  ///< empty unless the items stand in the 3-D scene
        const MediaItems& items;
        ScreenshotPlan& screenshots;
        FrameRecorder& recorder;
        SyncReport& report;
    };

    /// origin: the first item's start, from which the report and the names count seconds.
    PlayerLoop(const Parts& parts, const orvCore::TimeStamp& origin);

    /// Runs until the window closes, --run-for has passed, or, offscreen without --run-for, every
    /// screenshot is taken (or a default run time has passed when none were asked for).
    void run(const PlayerOptions& options);

private:
    bool finished_(const PlayerOptions& options, double elapsed) const;
    /// Runs Qt's event loop until the wall time, when there is time left before it.
    void serveQtUntil_(double wallTime);
    void recordSync_();
    void printScreenshot_(const QString& fileName);

    Parts parts_;
    orvCore::TimeStamp origin_;
};
