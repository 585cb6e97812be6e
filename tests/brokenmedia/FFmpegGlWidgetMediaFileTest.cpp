// A few damaged copies of every generated clip through the windowed video media file, which also
// plays the sound: each loads, plays, seeks and closes safely, reports what its load result calls
// for, warnings included, and has a window only when pictures are left to show.

#include "support/BrokenFiles.h"
#include "support/MediaFileRun.h"
#include "support/MediaFiles.h"

#include "media/FFmpegGlWidgetMediaFile.h"

#include <gtest/gtest.h>

using namespace BrokenMedia;
using MediaFileTest::pipelineOf;

using BrokenClipInWindow = BrokenClipTest;

TEST_P(BrokenClipInWindow, CopiesCutOrWithChangedBytesReportTheirLoadAndPlaySeekAndCloseSafely)
{
    const std::string& clip = GetParam().name;
    for (const BrokenFile& broken : {maker.truncated(clip, headerSizeOf(clip) + 1), maker.truncatedAt(clip, 0.6),
                                     maker.noisy(clip, {3, 100, true}), maker.noisy(clip, {6, 10, false})}) {
        MediaPlayer2::FFmpegGlWidgetMediaFile file;
        loadPlaySeekAndCheck(file, broken, kWarningLevel);
        ASSERT_NE(pipelineOf(file), nullptr);
        EXPECT_EQ(file.outputWidget() != nullptr, pipelineOf(file)->hasValidVideo()) << broken.description();
    }
}

INSTANTIATE_TEST_SUITE_P(GeneratedClips, BrokenClipInWindow, ::testing::ValuesIn(generatedClips()), testNameOf);
