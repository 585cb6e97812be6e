#include "playlist/LoadProgressObserver.h"

#include "support/NotifyCapture.h"
#include "support/RecordingMediaFile.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using MediaPlayer2::LoadProgressObserver;
using testsupport::RecordingMediaFile;
using testsupport::RecordingProfile;

namespace {

RecordingProfile loading(RecordingProfile::Loading when)
{
    RecordingProfile profile;
    profile.loading = when;
    return profile;
}

/// Media files made for one test, loaded at once or only when the test says so.
class ProgressTest : public ::testing::Test {
protected:
    RecordingMediaFile* loadedFile() { return make_(RecordingProfile::Loading::AtOnce); }
    RecordingMediaFile* loadingFile() { return make_(RecordingProfile::Loading::Later); }

    /// The percentages reported so far, in order.
    std::vector<int> reported() const
    {
        std::vector<int> percents;
        for (const QList<QVariant>& arguments : progressSpy)
            percents.push_back(arguments.at(0).toInt());
        return percents;
    }

    testsupport::NotifyCapture trace{7};
    LoadProgressObserver observer;
    QSignalSpy progressSpy{&observer, &LoadProgressObserver::progressChanged};
    QSignalSpy completedSpy{&observer, &LoadProgressObserver::completed};
    std::vector<std::unique_ptr<RecordingMediaFile>> files;

private:
    RecordingMediaFile* make_(RecordingProfile::Loading when)
    {
        files.push_back(std::make_unique<RecordingMediaFile>(loading(when)));
        files.back()->setMedia(QUrl::fromLocalFile("/media/file.mp4"));
        return files.back().get();
    }
};

}  // namespace

TEST_F(ProgressTest, LateFilesCountUpAndTheLastLoadCompletesAfterInitialization)
{
    RecordingMediaFile* first = loadingFile();
    RecordingMediaFile* second = loadingFile();
    RecordingMediaFile* third = loadingFile();
    observer.watchFile(first);
    observer.watchFile(second);
    observer.watchFile(third);
    EXPECT_EQ(reported(), std::vector<int>{0}) << "the percentage stands still while files are added";
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 0%\n"
                            "[LPO] Progress Update: 0%\n"
                            "[LPO] Progress Update: 0%\n");
    observer.setInitializationFinished();
    EXPECT_EQ(completedSpy.count(), 0);

    trace.clear();
    second->completeLoading();
    first->completeLoading();
    EXPECT_EQ(completedSpy.count(), 0);
    third->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(observer.numFilesLoaded(), 3);
    EXPECT_EQ(completedSpy.count(), 1);
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 33%\n"
                            "[LPO] Progress Update: 66%\n"
                            "[LPO] Progress Update: 100%\n"
                            "[LPO] completed() in emitProgress_().\n");
}

TEST_F(ProgressTest, FilesFinishedEarlyOrNoneAtAllCompleteWhenInitializationEnds)
{
    observer.setInitializationFinished();
    observer.setInitializationFinished();
    EXPECT_EQ(completedSpy.count(), 1);
    EXPECT_EQ(trace.text(), "[LPO] completed() in setInitializationFinished().\n");
    observer.reset();

    trace.clear();
    observer.watchFile(loadedFile());
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 100%\n"
                            "[LPO] Progress Update: 100%\n")
        << "a loaded file is counted at once, and the addition reports again";
    EXPECT_EQ(reported(), std::vector<int>{100});
    EXPECT_EQ(completedSpy.count(), 1) << "more files may still come";
    trace.clear();
    observer.setInitializationFinished();
    EXPECT_EQ(completedSpy.count(), 2);
    EXPECT_EQ(trace.text(), "[LPO] completed() in setInitializationFinished().\n");
}

TEST_F(ProgressTest, FilesThatFinishTwiceOrNeverAreCountedAsReported)
{
    RecordingMediaFile* twice = loadingFile();
    observer.watchFile(twice);
    observer.watchFile(loadingFile());
    observer.watchFile(nullptr);
    observer.setInitializationFinished();
    twice->completeLoading();
    EXPECT_EQ(completedSpy.count(), 0) << "a file that never finishes holds progress below full";
    twice->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(completedSpy.count(), 1);
    twice->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50, 100, 150}));
    EXPECT_EQ(completedSpy.count(), 1) << "beyond 100 is no completion";
}

TEST_F(ProgressTest, AnotherFileAfterCompletionLowersProgressAndCompletesAgain)
{
    testsupport::NotifyCapture quiet(6);
    observer.setInitializationFinished();
    observer.watchFile(loadedFile());
    EXPECT_EQ(completedSpy.count(), 2) << "once with no files, once at 100";
    RecordingMediaFile* late = loadingFile();
    observer.watchFile(late);
    late->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{100, 50, 100}));
    EXPECT_EQ(completedSpy.count(), 3);
    EXPECT_EQ(quiet.text(), "") << "the trace is written only when its severity is shown";
}

TEST_F(ProgressTest, ResetForgetsFilesEvenDestroyedOnesAndStopsListeningToThem)
{
    RecordingMediaFile* old = loadingFile();
    observer.watchFile(old);
    observer.watchFile(loadingFile());
    files.pop_back();  // destroyed files still count towards the total
    observer.setInitializationFinished();
    old->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50}));
    observer.reset();
    EXPECT_EQ(observer.numFilesLoaded(), 0);
    old->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50})) << "a forgotten file reports nothing";

    observer.watchFile(loadedFile());
    EXPECT_EQ(reported(), (std::vector<int>{0, 50, 100})) << "the last percentage was forgotten too";
    EXPECT_EQ(completedSpy.count(), 0) << "initialization starts unfinished again";
}
