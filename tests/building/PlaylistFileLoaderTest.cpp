// Tags, keywords and file-wide settings one by one; a whole playlist file read into a playing playlist,
// with a TMD item, bookmarks and a missing TMD file, is the end-to-end test beside this one.

#include "loaders/PlaylistFileLoader.h"

#include "orvCore/FileSearch.h"
#include "support/NotifyCapture.h"
#include "support/RecordingPlaylistBuilder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

using MediaPlayer2::MediaParameters;
using testsupport::RecordingPlaylistBuilder;

namespace {

orvCore::TimeStamp secondsInto(int year, double seconds)
{
    return orvCore::TimeStamp(year, orvCore::Seconds(seconds));
}

class PlaylistFileLoaderTest : public ::testing::Test {
protected:
    /// Reads text as a playlist file in the test folder; the result is what loadFile returned.
    int load(const std::string& text)
    {
        MediaPlayer2::PlaylistFileLoader loader(builder);
        loader.setFallbackFileSearch(&fallbackSearch);
        return loader.loadFile(files.write("lists/playlist.lst", text));
    }

    std::string besideList(const std::string& name) const { return files.path("lists/" + name); }
    const MediaParameters& item(std::size_t i) const { return builder.calls.at(i).params; }

    testsupport::TextFiles files;
    orvCore::FileSearch fallbackSearch;
    RecordingPlaylistBuilder builder;
    testsupport::NotifyCapture notices{2};
};

}  // namespace

TEST_F(PlaylistFileLoaderTest, EveryTagSetsItsFieldInAnyCaseAndInOrderAndKeywordsChooseTheKind)
{
    ASSERT_EQ(load("ReferenceYear 2020\n"
                   "image pic.png startTime=100 stopTime=250.5 y=6 height=50 mute=1 displayDecorations=0 alwaysOnTop=7\n"
                   "AUDIO song.mp3 mute=0 displayDecorations=3 alwaysOnTop=0\n"
                   "vIdEo clip.mp4 X=5 Width=100\n"
                   "video clip.mp4 width=100 x=5\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 4u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::IMAGE);
    EXPECT_EQ(item(0).fileType(), MediaParameters::IMAGE);
    EXPECT_EQ(item(0).timeZero(), secondsInto(2020, 100)) << "a plain media file starts where its window opens";
    EXPECT_EQ(item(0).stopTime(), secondsInto(2020, 250.5));
    EXPECT_EQ(item(0).position(), QRectF(0, 6, 10, 50));
    EXPECT_TRUE(item(0).mute() && !item(0).displayDecorations() && item(0).alwaysOnTop());

    EXPECT_EQ(builder.calls[1].kind, RecordingPlaylistBuilder::AUDIO);
    EXPECT_EQ(item(1).fileType(), MediaParameters::AUDIO);
    EXPECT_TRUE(!item(1).mute() && item(1).displayDecorations() && !item(1).alwaysOnTop());
    EXPECT_EQ(item(1).position(), QRectF(0, 0, 10, 10)) << "playlist audio items are not parked off screen";

    EXPECT_EQ(builder.calls[2].kind, RecordingPlaylistBuilder::VIDEO);
    EXPECT_EQ(item(2).filename(), besideList("clip.mp4")) << "a missing media file is resolved beside the list";
    EXPECT_EQ(item(2).startTime(), orvCore::TimeStamp());
    EXPECT_EQ(item(2).position(), QRectF(5, 0, 100, 10));
    EXPECT_EQ(item(3).position(), QRectF(5, 0, 95, 10)) << "x after width keeps the right edge";
    EXPECT_EQ(notices.text(), "");
}

TEST_F(PlaylistFileLoaderTest, QuotedNamesAndTagsKeepTheirSpacesAndStrayWordsAreIgnored)
{
    ASSERT_EQ(load("video \"my clip # 2.mp4\" \"startTime=2021-02-03 04:05:06Z\" stray =3 x=5 # comment x=abc\n"
                   "image 'still life.png' 'stopTime=2021-02-03T04:05:07.5Z'\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 2u);
    EXPECT_EQ(item(0).filename(), besideList("my clip # 2.mp4"));
    const orvCore::TimeStamp expectedStart = secondsInto(2021, ((31 + 2) * 24 + 4) * 3600 + 5 * 60 + 6);
    EXPECT_EQ(item(0).startTime(), expectedStart);
    EXPECT_EQ(item(0).position(), QRectF(5, 0, 5, 10));
    EXPECT_EQ(item(1).filename(), besideList("still life.png"));
    EXPECT_EQ(item(1).stopTime(), expectedStart + orvCore::Seconds(1.5));
    EXPECT_EQ(notices.text(), "");
}

TEST_F(PlaylistFileLoaderTest, EveryBadTagValueIsReportedAndRejectsItsLine)
{
    const int rejected = load("video clip.mp4 startTime=soon\n"
                              "video clip.mp4 stopTime=later\n"
                              "video clip.mp4 x=abc y=def\n"
                              "video clip.mp4 width=wide height=1e\n"
                              "video clip.mp4 mute=yes\n"
                              "video clip.mp4 displayDecorations=1.5\n"
                              "video clip.mp4 alwaysOnTop=on\n"
                              "video clip.mp4 speed=2 x=1\n"
                              "video good.mp4\n");
    EXPECT_EQ(rejected, 8);
    EXPECT_EQ(notices.text(),
              "Invalid startTime argument: soon\n"
              "Invalid stopTime argument: later\n"
              "Invalid x argument: abc\n"
              "Invalid y argument: def\n"
              "Invalid width argument: wide\n"
              "Invalid height argument: 1e\n"
              "Invalid mute argument: yes\n"
              "Invalid displayDecorations argument: 1.5\n"
              "Invalid alwaysOnTop argument: on\n"
              "Unrecognized tag: speed\n");
    ASSERT_EQ(builder.calls.size(), 1u);
    EXPECT_EQ(item(0).filename(), besideList("good.mp4"));
}

TEST_F(PlaylistFileLoaderTest, FileWideSettingsBookmarksAndMalformedLines)
{
    const std::string marks = files.write("elsewhere/marks.txt", "");
    fallbackSearch.addDirectory(files.path("elsewhere"));
    const int rejected = load("HideWhenNoMediaPlaying 0\n"
                              "hidewhennomediaplaying 1\n"
                              "HideWhenNoMediaPlaying true\n"
                              "HideWhenNoMediaPlaying 1 0\n"
                              "video a.mp4 startTime=60\n"
                              "ReferenceYear 2001\n"
                              "ReferenceYear abc\n"
                              "video c.mp4 startTime=60\n"
                              "audio\n"
                              "bookmark marks.txt extra words\n"
                              "Bookmark missing.txt\n"
                              "playlist other.lst\n");
    EXPECT_EQ(rejected, 5);
    EXPECT_EQ(notices.text(),
              "Invalid hideWhenNoMediaPlaying: true; expected 0 or 1.\n"
              "Unrecognized token or invalid number of parameters: HideWhenNoMediaPlaying\n"
              "Invalid reference year: abc\n"
              "Unrecognized token or invalid number of parameters: audio\n"
              "Unrecognized token or invalid number of parameters: playlist\n");
    ASSERT_EQ(builder.calls.size(), 6u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::HIDE);
    EXPECT_FALSE(builder.calls[0].hide);
    EXPECT_TRUE(builder.calls[1].hide);
    // A reference year applies to later lines only; a bad one keeps the one in force.
    EXPECT_EQ(item(2).startTime(), secondsInto(orvCore::currentYear(), 60));
    EXPECT_EQ(item(3).startTime(), secondsInto(2001, 60));
    EXPECT_EQ(builder.calls[4].kind, RecordingPlaylistBuilder::BOOKMARKS);
    EXPECT_EQ(builder.calls[4].path, marks) << "found through the fallback search";
    EXPECT_EQ(builder.calls[5].path, besideList("missing.txt"));
}

TEST_F(PlaylistFileLoaderTest, TmdItemTakesItsValuesAndTagsMoveOnlyTheWindow)
{
    files.write("lists/tmd/ITEM.TMD", "ReferenceYear 2010\nMediaFileName movie.mp4\nMediaStartTime 1000\n"
                                      "HandleRealtimeForwardCase false\nAllowableDelta 0.25\n");
    files.write("lists/bare.tmd", "MediaFileName /media/clip.mp4\n");
    files.write("lists/bad.tmd", "MediaFileName movie.mp4\nAllowableDelta -0.5\n");
    EXPECT_EQ(load("ReferenceYear 2020\n"
                   "audio tmd/ITEM.TMD startTime=900\n"
                   "image bare.tmd startTime=30\n"
                   "video bad.tmd\n"),
              1);
    EXPECT_EQ(notices.text(), "Invalid argument to AllowableDelta: -0.5\n"
                              "Unable to load TMD file: " + besideList("bad.tmd") + "\n");
    ASSERT_EQ(builder.calls.size(), 5u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::TMD_FOUND) << "the extension test ignores case";
    EXPECT_EQ(builder.calls[0].path, besideList("tmd/ITEM.TMD"));
    EXPECT_EQ(builder.calls[1].kind, RecordingPlaylistBuilder::AUDIO);
    EXPECT_EQ(item(1).filename(), besideList("tmd/movie.mp4")) << "names in a TMD file resolve beside it";
    EXPECT_EQ(item(1).timeZero(), secondsInto(2010, 1000)) << "the TMD file keeps its own reference year";
    EXPECT_EQ(item(1).startTime(), secondsInto(2020, 900));
    EXPECT_FALSE(item(1).realtimeForwardCase());
    EXPECT_DOUBLE_EQ(item(1).allowableDelta(), 0.25);

    EXPECT_EQ(item(3).filename(), "/media/clip.mp4");
    EXPECT_EQ(item(3).fileType(), MediaParameters::IMAGE) << "the keyword decides the kind, not the media name";
    EXPECT_EQ(item(3).timeZero(), secondsInto(2020, 30)) << "a TMD file without a start time leaves time zero to the tag";
    EXPECT_EQ(builder.calls[4].kind, RecordingPlaylistBuilder::TMD_FOUND);
}
