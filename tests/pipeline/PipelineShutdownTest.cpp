// Closing and destroying a playback pipeline at awkward moments: its decoder thread ends, no
// picture of the closed file arrives afterwards, and the next file plays. Leaks of stages show
// under the leak-checking build.

#include "support/PipelineProbe.h"
#include "support/TestMedia.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using FFmpeg::PlaybackPipeline;
using namespace PipelineTest;

namespace {

constexpr const char* kClip = "h264_aac.mp4";
// The clip is copied under a name no other test's thread has.
const QString kThreadName = "shutdown.mp4 Decoder";

class PipelineShutdownTest : public ::testing::TestWithParam<Threading>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(QFile::copy(QString::fromStdString(TestMedia::path(kClip)), copy_));
    }

    // Loads the copy with sound and waits until its decoder thread runs, named after the file
    // without its folder.
    void loadCopy(PipelineProbe& probe)
    {
        ASSERT_EQ(probe.pipeline().loadFile(copy_, false), PlaybackPipeline::LoadSucceeded);
        if (GetParam() == Threading::On) {
            ASSERT_TRUE(probe.waitUntil([] { return threadRunning(kThreadName); }));
        } else {
            ASSERT_FALSE(threadRunning(kThreadName));
        }
    }

    bool threadEnds(PipelineProbe& probe)
    {
        return probe.waitUntil([] { return !threadRunning(kThreadName); });
    }

private:
    QTemporaryDir folder_;
    const QString copy_ = folder_.filePath("shutdown.mp4");
};

} // namespace

TEST_P(PipelineShutdownTest, CloseEndsTheDecoderThreadWhateverItIsDoing)
{
    const std::vector<std::pair<std::string, std::function<void(PlaybackPipeline&)>>> moments{
        {"while paused", [](PlaybackPipeline&) {}},
        {"while playing", [](PlaybackPipeline& p) { p.play(); }},
        {"in the middle of a seek", [](PlaybackPipeline& p) { p.play(); p.seek(2.0); }},
        // The decoder thread finishes the seek meanwhile (it takes far less than the sleep); its
        // picture and completion wait in this thread's queue, where the pipeline must not take
        // them for the next file's.
        {"with a finished seek's picture on its way", [](PlaybackPipeline& p) { p.seek(1.5); QThread::msleep(200); }},
        {"in the middle of a read burst", [](PlaybackPipeline& p) { p.setBufferDuration(1000.0); p.play(); }},
    };
    PipelineProbe probe(GetParam());
    PlaybackPipeline& pipeline = probe.pipeline();
    EXPECT_EQ(pipeline.close(), 0);
    EXPECT_EQ(probe.statuses, std::vector<PlaybackPipeline::MediaStatus>{PlaybackPipeline::NoMedia})
        << "closing with nothing loaded still announces it";
    for (const auto& [moment, action] : moments) {
        SCOPED_TRACE(moment);
        loadCopy(probe);
        action(pipeline);
        QSignalSpy pictures(&pipeline, &PlaybackPipeline::videoFrameReady);
        EXPECT_EQ(pipeline.close(), 0);
        EXPECT_EQ(pipeline.mediaStatus(), PlaybackPipeline::NoMedia);
        EXPECT_EQ(pipeline.playbackState(), PlaybackPipeline::Stopped);
        EXPECT_TRUE(threadEnds(probe));
        // Long enough for a picture still under way from the decoder thread to arrive.
        EXPECT_FALSE(pictures.wait(300)) << "a picture of the closed file arrived";
        EXPECT_EQ(pipeline.play(), 1);
        EXPECT_EQ(pipeline.seek(1.0), 1);
        pipeline.setBufferDuration(3.0);
    }

    // The pipeline is as good as new: the next file's seeks land.
    ASSERT_EQ(probe.load(kClip), PlaybackPipeline::LoadSucceeded);
    ASSERT_EQ(pipeline.seek(1.5), 0);
    EXPECT_TRUE(probe.waitForShown(TestMedia::pictureAfterSeekRun(kClip, 1.5)));
}

TEST_P(PipelineShutdownTest, DestroyingThePipelineEndsTheDecoderThread)
{
    for (bool midSeek : {false, true}) {
        SCOPED_TRACE(midSeek ? "in the middle of a seek" : "while playing");
        PipelineProbe probe(GetParam());
        loadCopy(probe);
        ASSERT_EQ(probe.pipeline().play(), 0);
        if (midSeek) {
            probe.pipeline().seek(2.0);
        } else {
            ASSERT_TRUE(probe.waitForMediaTime(0.3));
        }
        probe.destroyPipeline();
        EXPECT_TRUE(threadEnds(probe));
    }
}

INSTANTIATE_TEST_SUITE_P(BothThreadingModes, PipelineShutdownTest, ::testing::Values(Threading::Off, Threading::On),
                         [](const auto& info) { return nameOf(info.param); });
