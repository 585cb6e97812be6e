// A few damaged copies of every generated clip through the windowed video media file, which also
// decodes and plays the sound: each copy is loaded, played a little, sought and closed without a
// crash or a hang, reports what its load result calls for, warnings included, and has a window
// only when pictures are left to show.

#include "support/BrokenFiles.h"
#include "support/MediaFileRun.h"

#include "media/FFmpegGlWidgetMediaFile.h"

#include <gtest/gtest.h>

using namespace BrokenMedia;
using MediaPlayer2::FFmpegGlWidgetMediaFile;

namespace {

class BrokenClipInWindow : public ::testing::TestWithParam<Clip>
{
protected:
    void SetUp() override { ASSERT_TRUE(maker.isValid()); }

    BrokenFileMaker maker;
};

} // namespace

TEST_P(BrokenClipInWindow, CopiesCutOrWithChangedBytesReportTheirLoadAndPlaySeekAndCloseSafely)
{
    const std::string& clip = GetParam().name;
    // Cut just past the header and through the middle; noise dense and sparse, sparing the header
    // or not.
    for (const BrokenFile& broken : {maker.truncated(clip, headerSizeOf(clip) + 1), maker.truncatedAt(clip, 0.6),
                                     maker.noisy(clip, {3, 100, true}), maker.noisy(clip, {6, 10, false})}) {
        FFmpegGlWidgetMediaFile file;
        loadPlaySeekAndCheck(file, broken, kWarningLevel);
        const FFmpeg::PlaybackPipeline* pipeline = pipelineOf(file);
        ASSERT_NE(pipeline, nullptr);
        EXPECT_EQ(file.outputWidget() != nullptr, pipeline->hasValidVideo()) << broken.description();
    }
}

INSTANTIATE_TEST_SUITE_P(GeneratedClips, BrokenClipInWindow, ::testing::ValuesIn(generatedClips()),
                         [](const ::testing::TestParamInfo<Clip>& info) { return testNameOf(info.param); });
