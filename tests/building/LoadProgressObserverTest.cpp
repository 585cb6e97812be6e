#include "media/LoadProgressObserver.h"

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

/// Media files made for one test, loaded at once or only when the test says so.
class ProgressTest : public ::testing::Test {
protected:
    RecordingMediaFile* file(RecordingProfile::Loading when = RecordingProfile::Loading::Later)
    {
        RecordingProfile profile;
        profile.loading = when;
        files.push_back(std::make_unique<RecordingMediaFile>(profile));
        files.back()->setMedia(QUrl::fromLocalFile("/media/file.mp4"));
        return files.back().get();
    }

    RecordingMediaFile* loadedFile() { return file(RecordingProfile::Loading::AtOnce); }

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
};

}  // namespace

TEST_F(ProgressTest, LateFilesCountUpAndTheLastLoadCompletesAfterInitialization)
{
    RecordingMediaFile* first = file();
    RecordingMediaFile* second = file();
    RecordingMediaFile* third = file();
    for (RecordingMediaFile* watched : {first, second, third, static_cast<RecordingMediaFile*>(nullptr)})
        observer.watchFile(watched);
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 0%\n[LPO] Progress Update: 0%\n[LPO] Progress Update: 0%\n")
        << "every addition reports, also when the percentage stands still";
    observer.setInitializationFinished();
    trace.clear();
    second->completeLoading();
    first->completeLoading();
    EXPECT_EQ(completedSpy.count(), 0);
    third->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(completedSpy.count(), 1);
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 33%\n[LPO] Progress Update: 66%\n[LPO] Progress Update: 100%\n"
                            "[LPO] completed() in emitProgress_().\n");

    // Finishing twice counts twice; beyond 100 is no completion.
    first->completeLoading();
    EXPECT_EQ(reported().back(), 133);
    EXPECT_EQ(completedSpy.count(), 1);
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
    EXPECT_EQ(trace.text(), "[LPO] Progress Update: 100%\n[LPO] Progress Update: 100%\n")
        << "a loaded file is counted at once, and the addition reports again";
    EXPECT_EQ(completedSpy.count(), 1) << "more files may still come";
    trace.clear();
    observer.setInitializationFinished();
    EXPECT_EQ(completedSpy.count(), 2);
    EXPECT_EQ(trace.text(), "[LPO] completed() in setInitializationFinished().\n");

    // Another file lowers the progress, and completes again when it loads.
    RecordingMediaFile* late = file();
    observer.watchFile(late);
    late->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{100, 50, 100}));
    EXPECT_EQ(completedSpy.count(), 3);
}

TEST_F(ProgressTest, ResetForgetsFilesEvenDestroyedOnesAndStopsListeningToThem)
{
    testsupport::NotifyCapture quiet(6);
    RecordingMediaFile* old = file();
    observer.watchFile(old);
    observer.watchFile(file());
    files.pop_back();  // destroyed files still count towards the total
    observer.setInitializationFinished();
    old->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50}));
    observer.reset();
    old->completeLoading();
    EXPECT_EQ(reported(), (std::vector<int>{0, 50})) << "a forgotten file reports nothing";

    observer.watchFile(loadedFile());
    EXPECT_EQ(reported(), (std::vector<int>{0, 50, 100})) << "the last percentage was forgotten too";
    EXPECT_EQ(completedSpy.count(), 0) << "initialization starts unfinished again";
    EXPECT_EQ(quiet.text(), "") << "the trace is written only when its severity is shown";
}
