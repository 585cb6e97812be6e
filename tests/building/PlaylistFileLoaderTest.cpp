#include "loaders/PlaylistFileLoader.h"

#include "orvCore/FileSearch.h"
#include "support/NotifyCapture.h"
#include "support/RecordingPlaylistBuilder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

using MediaPlayer2::MediaParameters;
using MediaPlayer2::PlaylistFileLoader;
using testsupport::RecordingPlaylistBuilder;

namespace {

orvCore::TimeStamp secondsInto(int year, int64_t seconds)
{
    return orvCore::TimeStamp(year, orvCore::Seconds(seconds, 0));
}

class PlaylistFileLoaderTest : public ::testing::Test {
protected:
    /// Reads text as a playlist file in the test folder; the result is what loadFile returned.
    int load(const std::string& text)
    {
        PlaylistFileLoader loader(builder);
        loader.setFallbackFileSearch(&fallbackSearch);
        return loader.loadFile(files.write("lists/playlist.lst", text));
    }

    std::string besideList(const std::string& name) const { return files.path("lists/" + name); }

    /// The media record of the only call, which must be a media call of the given kind.
    const MediaParameters& onlyItem(RecordingPlaylistBuilder::Kind kind) const
    {
        EXPECT_EQ(builder.calls.size(), 1u);
        EXPECT_EQ(builder.calls.at(0).kind, kind);
        return builder.calls.at(0).params;
    }

    testsupport::TextFiles files;
    orvCore::FileSearch fallbackSearch;
    RecordingPlaylistBuilder builder;
    testsupport::NotifyCapture notices{2};
};

}  // namespace

TEST_F(PlaylistFileLoaderTest, EveryTagSetsItsFieldAndKindsFollowKeywords)
{
    ASSERT_EQ(load("ReferenceYear 2020\n"
                   "image pic.png startTime=100 stopTime=250.5 x=5 y=6 width=100 height=50 mute=1 "
                   "displayDecorations=0 alwaysOnTop=7\n"
                   "audio song.mp3 mute=0 displayDecorations=3 alwaysOnTop=0\n"
                   "video clip.mp4\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 3u);
    const auto& image = builder.calls[0];
    EXPECT_EQ(image.kind, RecordingPlaylistBuilder::IMAGE);
    EXPECT_EQ(image.params.fileType(), MediaParameters::IMAGE);
    EXPECT_EQ(image.params.startTime(), secondsInto(2020, 100));
    EXPECT_EQ(image.params.timeZero(), secondsInto(2020, 100)) << "a plain media file starts where its window opens";
    EXPECT_EQ(image.params.stopTime(), orvCore::TimeStamp(2020, orvCore::Seconds(250, 500000)));
    EXPECT_EQ(image.params.position(), QRectF(5, 6, 100, 50));
    EXPECT_TRUE(image.params.mute());
    EXPECT_FALSE(image.params.displayDecorations());
    EXPECT_TRUE(image.params.alwaysOnTop());

    const auto& audio = builder.calls[1];
    EXPECT_EQ(audio.kind, RecordingPlaylistBuilder::AUDIO);
    EXPECT_EQ(audio.params.fileType(), MediaParameters::AUDIO);
    EXPECT_FALSE(audio.params.mute());
    EXPECT_TRUE(audio.params.displayDecorations());
    EXPECT_FALSE(audio.params.alwaysOnTop());
    EXPECT_EQ(audio.params.position(), QRectF(0, 0, 10, 10)) << "playlist audio items are not parked off screen";

    const auto& video = builder.calls[2];
    EXPECT_EQ(video.kind, RecordingPlaylistBuilder::VIDEO);
    EXPECT_EQ(video.params.fileType(), MediaParameters::VIDEO);
    EXPECT_EQ(video.params.filename(), besideList("clip.mp4")) << "a missing media file is resolved beside the list";
    EXPECT_EQ(video.params.startTime(), orvCore::TimeStamp());
    EXPECT_TRUE(video.params.realtimeForwardCase());
    EXPECT_DOUBLE_EQ(video.params.allowableDelta(), 1.0);
    EXPECT_EQ(notices.text(), "");
}

TEST_F(PlaylistFileLoaderTest, KeywordsAndTagNamesIgnoreCaseAndTagsApplyInOrder)
{
    ASSERT_EQ(load("VIDEO clip.mp4 X=5 Width=100\n"
                   "Video clip.mp4 width=100 x=5\n"
                   "vIdEo clip.mp4 HEIGHT=40 Y=10\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 3u);
    EXPECT_EQ(builder.calls[0].params.position(), QRectF(5, 0, 100, 10));
    EXPECT_EQ(builder.calls[1].params.position(), QRectF(5, 0, 95, 10)) << "x after width keeps the right edge";
    EXPECT_EQ(builder.calls[2].params.position(), QRectF(0, 10, 10, 30));
}

TEST_F(PlaylistFileLoaderTest, QuotedNamesAndTagsKeepTheirSpacesAndStrayWordsAreIgnored)
{
    ASSERT_EQ(load("video \"my clip # 2.mp4\" \"startTime=2021-02-03 04:05:06Z\" stray x=5 # comment x=abc\n"
                   "image 'still life.png' 'stopTime=2021-02-03T04:05:07.5Z'\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 2u);
    const MediaParameters& video = builder.calls[0].params;
    EXPECT_EQ(video.filename(), besideList("my clip # 2.mp4"));
    const orvCore::TimeStamp expectedStart(2021, orvCore::Seconds(((31 + 2) * 24 + 4) * 3600 + 5 * 60 + 6, 0));
    EXPECT_EQ(video.startTime(), expectedStart);
    EXPECT_EQ(video.timeZero(), expectedStart);
    EXPECT_EQ(video.position(), QRectF(5, 0, 5, 10));
    EXPECT_EQ(builder.calls[1].params.filename(), besideList("still life.png"));
    EXPECT_EQ(builder.calls[1].params.stopTime(), expectedStart + orvCore::Seconds(1, 500000));
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
    const MediaParameters& item = onlyItem(RecordingPlaylistBuilder::VIDEO);
    EXPECT_EQ(item.filename(), besideList("good.mp4"));
}

TEST_F(PlaylistFileLoaderTest, FileWideSettingsBookmarksAndMalformedLines)
{
    const std::string marks = files.write("elsewhere/marks.txt", "");
    fallbackSearch.addDirectory(files.path("elsewhere"));
    const int rejected = load("HideWhenNoMediaPlaying 0\n"
                              "hidewhennomediaplaying 1\n"
                              "HideWhenNoMediaPlaying true\n"
                              "HideWhenNoMediaPlaying 1 0\n"
                              "ReferenceYear\n"
                              "video a.mp4 startTime=60\n"
                              "ReferenceYear 2001\n"
                              "video b.mp4 startTime=60\n"
                              "ReferenceYear abc\n"
                              "video c.mp4 startTime=60\n"
                              "audio\n"
                              "bookmark\n"
                              "bookmark marks.txt extra words\n"
                              "Bookmark missing.txt\n"
                              "playlist other.lst\n"
                              "\n"
                              "   // nothing here\n");
    EXPECT_EQ(rejected, 7);
    EXPECT_EQ(notices.text(),
              "Invalid hideWhenNoMediaPlaying: true; expected 0 or 1.\n"
              "Unrecognized token or invalid number of parameters: HideWhenNoMediaPlaying\n"
              "Unrecognized token or invalid number of parameters: ReferenceYear\n"
              "Invalid reference year: abc\n"
              "Unrecognized token or invalid number of parameters: audio\n"
              "Unrecognized token or invalid number of parameters: bookmark\n"
              "Unrecognized token or invalid number of parameters: playlist\n");
    ASSERT_EQ(builder.calls.size(), 7u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::HIDE);
    EXPECT_FALSE(builder.calls[0].hide);
    EXPECT_TRUE(builder.calls[1].hide);
    // A reference year applies to later lines only; a bad one keeps the one in force.
    EXPECT_EQ(builder.calls[2].params.startTime(), secondsInto(orvCore::currentYear(), 60));
    EXPECT_EQ(builder.calls[3].params.startTime(), secondsInto(2001, 60));
    EXPECT_EQ(builder.calls[4].params.startTime(), secondsInto(2001, 60));
    EXPECT_EQ(builder.calls[5].kind, RecordingPlaylistBuilder::BOOKMARKS);
    EXPECT_EQ(builder.calls[5].path, marks) << "found through the fallback search";
    EXPECT_EQ(builder.calls[6].path, besideList("missing.txt"));
}

TEST_F(PlaylistFileLoaderTest, TmdItemTakesItsValuesAndTagsMoveOnlyTheWindow)
{
    const std::string tmdText = "ReferenceYear 2010\n"
                                "MediaFileName movie.mp4\n"
                                "MediaStartTime 1000\n"
                                "HandleRealtimeForwardCase false\n"
                                "AllowableDelta 0.25\n";
    files.write("lists/tmd/item.tmd", tmdText);
    files.write("lists/tmd/ITEM.TMD", tmdText);
    ASSERT_EQ(load("ReferenceYear 2020\n"
                   "video tmd/item.tmd startTime=900 x=3\n"
                   "audio tmd/ITEM.TMD\n"),
              0);
    ASSERT_EQ(builder.calls.size(), 4u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::TMD_FOUND);
    EXPECT_EQ(builder.calls[0].path, besideList("tmd/item.tmd"));
    const auto& video = builder.calls[1];
    EXPECT_EQ(video.kind, RecordingPlaylistBuilder::VIDEO);
    EXPECT_EQ(video.params.filename(), besideList("tmd/movie.mp4")) << "names in a TMD file resolve beside it";
    EXPECT_EQ(video.params.timeZero(), secondsInto(2010, 1000)) << "the TMD file keeps its own reference year";
    EXPECT_EQ(video.params.startTime(), secondsInto(2020, 900));
    EXPECT_FALSE(video.params.realtimeForwardCase());
    EXPECT_DOUBLE_EQ(video.params.allowableDelta(), 0.25);
    EXPECT_EQ(video.params.position(), QRectF(3, 0, 7, 10));

    EXPECT_EQ(builder.calls[2].kind, RecordingPlaylistBuilder::TMD_FOUND) << "the extension test ignores case";
    const auto& audio = builder.calls[3];
    EXPECT_EQ(audio.kind, RecordingPlaylistBuilder::AUDIO);
    EXPECT_EQ(audio.params.fileType(), MediaParameters::AUDIO);
    EXPECT_EQ(audio.params.startTime(), secondsInto(2010, 1000));
    EXPECT_EQ(audio.params.timeZero(), secondsInto(2010, 1000));

    files.write("lists/bare.tmd", "MediaFileName /media/clip.mp4\n");
    builder.calls.clear();
    ASSERT_EQ(load("image bare.tmd startTime=30\n"), 0);
    ASSERT_EQ(builder.calls.size(), 2u);
    const MediaParameters& item = builder.calls[1].params;
    EXPECT_EQ(item.filename(), "/media/clip.mp4");
    EXPECT_EQ(item.fileType(), MediaParameters::IMAGE) << "the keyword decides the kind, not the media name";
    EXPECT_EQ(item.startTime(), secondsInto(orvCore::currentYear(), 30));
    EXPECT_EQ(item.timeZero(), secondsInto(orvCore::currentYear(), 30))
        << "a TMD file without a start time leaves time zero to the tag";
    EXPECT_TRUE(item.realtimeForwardCase());
}

TEST_F(PlaylistFileLoaderTest, BadOrMissingTmdOrPlaylistFileIsReported)
{
    files.write("lists/bad.tmd",
                "MediaFileName movie.mp4\n"
                "AllowableDelta -0.5\n");
    const int rejected = load("audio bad.tmd\n"
                              "video gone.tmd\n"
                              "video fine.mp4\n");
    EXPECT_EQ(rejected, 2);
    EXPECT_EQ(notices.text(), "Invalid argument to AllowableDelta: -0.5\n"
                              "Unable to load TMD file: " + besideList("bad.tmd") + "\n" +
                              "Unable to open file: " + besideList("gone.tmd") + "\n" +
                              "Unable to load TMD file: " + besideList("gone.tmd") + "\n");
    ASSERT_EQ(builder.calls.size(), 3u);
    EXPECT_EQ(builder.calls[0].kind, RecordingPlaylistBuilder::TMD_FOUND);
    EXPECT_EQ(builder.calls[0].path, besideList("bad.tmd"));
    EXPECT_EQ(builder.calls[1].kind, RecordingPlaylistBuilder::TMD_FOUND);
    EXPECT_EQ(builder.calls[1].path, besideList("gone.tmd"));
    EXPECT_EQ(builder.calls[2].kind, RecordingPlaylistBuilder::VIDEO);

    notices.clear();
    builder.calls.clear();
    EXPECT_EQ(PlaylistFileLoader(builder).loadFile(files.path("none.lst")), 1);
    EXPECT_EQ(notices.text(), "Unable to open file: " + files.path("none.lst") + "\n");
    EXPECT_TRUE(builder.calls.empty());
}
