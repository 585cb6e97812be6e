#include "common/GlDriverPin.h"
#include "common/ProcessEnd.h"
#ifdef MP2_TSAN
#include "support/QueuedCallOrdering.h"
#endif

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
#ifdef MP2_TSAN
    orderQueuedCallsForThreadSanitizer();
#endif
    // Tests run under Xvfb from scripts/test; a developer without a display still gets a working
    // GUI application, drawn off screen.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
        glsupport::pinGlDrivers();
    }
    processsupport::endProcess(result);
}
