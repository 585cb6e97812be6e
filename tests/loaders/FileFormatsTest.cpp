#include "loaders/AbstractFileLoader.h"
#include "loaders/PlaylistFileLoader.h"
#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"
#include "playlist/PlaylistBuilder.h"
#include "support/NotifyCapture.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using MediaPlayer2::MediaParameters;
using Tokens = std::vector<std::string>;

namespace {

orvCore::TimeStamp in(int year, double seconds)
{
    return orvCore::TimeStamp(year, orvCore::Seconds(seconds));
}

/// Keeps the tokens of every line; "reject N" lines count N rejections.
class TokenLoader : public MediaPlayer2::AbstractFileLoader {
public:
    std::vector<Tokens> lines;

private:
    int processTokens_(std::size_t, const Tokens& tokens) override
    {
        lines.push_back(tokens);
        return tokens[0] == "reject" ? std::stoi(tokens.at(1)) : 0;
    }
};

/// Records what a playlist file hands its builder, in order.
class RecordingBuilder : public MediaPlayer2::PlaylistBuilder {
public:
    std::vector<std::string> calls;
    std::vector<MediaParameters> items;

    void setHideWhenNotPlaying(bool hide) override { calls.push_back(std::string("hide ") + (hide ? "1" : "0")); }
    void loadAudio(const MediaParameters& params) override { item("audio", params); }
    void loadVideo(const MediaParameters& params) override { item("video", params); }
    void loadImage(const MediaParameters& params) override { item("image", params); }
    void loadBookmarks(const std::string& path) override { calls.push_back("bookmarks " + path); }
    void notifyTmdFound(const std::string& path) override { calls.push_back("tmd " + path); }

private:
    void item(const std::string& kind, const MediaParameters& params)
    {
        calls.push_back(kind + " " + params.filename());
        items.push_back(params);
    }
};

class FileFormats : public ::testing::Test {
protected:
    int loadPlaylist(const std::string& text)
    {
        MediaPlayer2::PlaylistFileLoader loader(builder);
        loader.setFallbackFileSearch(&fallback);
        return loader.loadFile(files.write("lists/playlist.lst", text));
    }
    int loadTmd(const std::string& text)
    {
        tmd = {};
        return MediaPlayer2::TmdFileLoader(tmd).loadFile(files.write("tmd/clip.tmd", text));
    }

    testsupport::TextFiles files;
    orvCore::FileSearch fallback;
    RecordingBuilder builder;
    MediaPlayer2::TmdBuilderAdapter tmd;
    testsupport::NotifyCapture messages{2};
};

}  // namespace

TEST_F(FileFormats, LinesSplitIntoTokensHonouringQuotesAndComments)
{
    const std::vector<std::pair<std::string, Tokens>> cases = {
        {" \t \r\n# note\n  // note\n", {}},
        {"  \tKeyword\t\t value  extra\t \r\n", {"Keyword", "value", "extra"}},
        {"Keyword \"my file 2.mp4\" 'it\"s'", {"Keyword", "my file 2.mp4", "it\"s"}},
        {"Keyword \"open ended # value\n", {"Keyword", "\"open ended # value"}},
        {"Key\"word va\"lue\n", {"Key\"word", "va\"lue"}},
        {"Keyword a//b#c\n", {"Keyword", "a"}},
        {"Keyword a#b//c\n", {"Keyword", "a"}},
        {"Keyword http://host/clip.mp4\n", {"Keyword", "http:"}},
        {"Keyword 'a // b' # \"quoted note\"\n", {"Keyword", "a // b"}},
    };
    for (const auto& [content, expected] : cases) {
        TokenLoader loader;
        EXPECT_EQ(loader.loadFile(files.write("line.txt", content)), 0);
        EXPECT_EQ(loader.lines.empty() ? Tokens{} : loader.lines.front(), expected) << content;
    }
    TokenLoader counting;
    EXPECT_EQ(counting.loadFile(files.write("n.txt", "\n# note\r\nFirst 1\r\nreject 3 # x\n//\nreject 2")), 5);
    EXPECT_EQ(counting.lines.size(), 3u);
    EXPECT_EQ(messages.text(), "");
}

TEST_F(FileFormats, TmdSettingsReachTheBuilderInAnyCaseWithTheReferenceYearOfTheirLine)
{
    files.write("tmd/clip.mp4", "x");
    ASSERT_EQ(loadTmd("mediafilename first.mp4\nMEDIAFILENAME \"clip.mp4\"\nReferenceYear 2020\n"
                      "MediaStartTime 073:12:00:00 // in 2020\nReferenceYear 1999x\nhandleRealtimeForwardCase FALSE\n"
                      "AllowableDelta 0\n"),
              1);
    EXPECT_EQ(tmd.filename(), files.path("tmd/clip.mp4"));
    EXPECT_EQ(tmd.startTime(), in(2020, 72 * 86400 + 12 * 3600));
    EXPECT_FALSE(tmd.realtimeForwardCase());
    EXPECT_EQ(tmd.allowableDelta(), 0.0);
    EXPECT_EQ(messages.text(), "Invalid reference year: 1999x\n");

    ASSERT_EQ(loadTmd("HandleRealtimeForwardCase TRUE\nReferenceYear 2021\nMediaStartTime 10\n"), 0);
    EXPECT_TRUE(tmd.realtimeForwardCase());
    EXPECT_EQ(tmd.startTime(), in(2021, 10));
    EXPECT_EQ(tmd.allowableDelta(), 1.0);

    messages.clear();
    EXPECT_EQ(loadTmd("MediaStartTime yesterday\nHandleRealtimeForwardCase yes\nAllowableDelta -0.5\n"
                      "AllowableDelta 1e999\nFrameRate 25\nMediaFileName a.mp4 b.mp4\nMediaFileName\n"
                      "MediaStartTime 5 // fine\n"),
              7);
    EXPECT_EQ(messages.text(), "Invalid argument to MediaStartTime: yesterday\n"
                               "Invalid argument to HandleRealtimeForwardCase: yes\n"
                               "Invalid argument to AllowableDelta: -0.5\n"
                               "Invalid argument to AllowableDelta: 1e999\n"
                               "Unrecognized token or invalid number of parameters: FrameRate\n"
                               "Unrecognized token or invalid number of parameters: MediaFileName\n"
                               "Unrecognized token or invalid number of parameters: MediaFileName\n");
    EXPECT_EQ(tmd.filename(), "");
    for (const std::string& unopenable : {files.path("tmd"), files.path("missing.tmd"), std::string()}) {
        messages.clear();
        EXPECT_EQ(MediaPlayer2::TmdFileLoader(tmd).loadFile(unopenable), 1);
        EXPECT_EQ(messages.text(), "Unable to open file: " + unopenable + "\n");
    }
}

TEST_F(FileFormats, PlaylistItemsTakeTheirTagsInOrderAndBadValuesRejectTheirLine)
{
    ASSERT_EQ(loadPlaylist("ReferenceYear 2020\nHideWhenNoMediaPlaying 0\n"
                           "image \"my pic.png\" startTime=100 stopTime=250.5 y=6 height=50 mute=1 "
                           "displayDecorations=0 alwaysOnTop=7 remark\n"
                           "AUDIO song.mp3 'startTime=2020-01-01 00:01:00'\n"
                           "vIdEo clip.mp4 X=5 Width=100\nvideo clip.mp4 width=100 x=5\nvideo bare.mp4\n"
                           "bookmark marks.bmk ignored words\n"),
              0);
    EXPECT_EQ(builder.calls, (Tokens{"hide 0", "image " + files.path("lists/my pic.png"),
                                     "audio " + files.path("lists/song.mp3"), "video " + files.path("lists/clip.mp4"),
                                     "video " + files.path("lists/clip.mp4"), "video " + files.path("lists/bare.mp4"),
                                     "bookmarks " + files.path("lists/marks.bmk")}));
    const MediaParameters& image = builder.items[0];
    EXPECT_EQ(image.fileType(), MediaParameters::IMAGE);
    EXPECT_EQ(image.timeZero(), in(2020, 100));
    EXPECT_EQ(image.stopTime(), in(2020, 250.5));
    EXPECT_EQ(image.position(), QRectF(0, 6, 10, 50));
    EXPECT_TRUE(image.mute() && !image.displayDecorations() && image.alwaysOnTop());
    EXPECT_EQ(builder.items[1].startTime(), in(2020, 60));
    EXPECT_EQ(builder.items[2].position(), QRectF(5, 0, 100, 10));  // x keeps the right edge, then width
    EXPECT_EQ(builder.items[3].position(), QRectF(5, 0, 95, 10));
    EXPECT_EQ(builder.items[4].position(), QRectF(0, 0, 10, 10));

    builder = {};
    EXPECT_EQ(loadPlaylist("video a.mp4 startTime=never x=left fps=25 mute=yes\nReferenceYear MMXX\n"
                           "HideWhenNoMediaPlaying 2\nvideo\nplay b.mp4\nimage c.png stopTime=1 width=1e999\n"),
              6);
    EXPECT_EQ(messages.text(), "Invalid startTime argument: never\nInvalid x argument: left\nUnrecognized tag: fps\n"
                               "Invalid mute argument: yes\nInvalid reference year: MMXX\n"
                               "Invalid hideWhenNoMediaPlaying: 2; expected 0 or 1.\n"
                               "Unrecognized token or invalid number of parameters: video\n"
                               "Unrecognized token or invalid number of parameters: play\n"
                               "Invalid width argument: 1e999\n");
    EXPECT_TRUE(builder.items.empty());
}

TEST_F(FileFormats, TmdItemsTakeTheirFileAndFirstFrameWhileTagsMoveOnlyTheWindow)
{
    files.write("lists/cam.mp4", "x");
    files.write("lists/cam.tmd", "ReferenceYear 2021\nMediaFileName cam.mp4\nMediaStartTime 50\n"
                                 "HandleRealtimeForwardCase false\nAllowableDelta 0.25\n");
    files.write("elsewhere/far.TMD", "MediaFileName cam.mp4\nMediaStartTime 2021:001:00:00:00\n");
    files.write("lists/bad.tmd", "MediaStartTime soon\n");
    fallback.addDirectory(files.path("elsewhere"));
    EXPECT_EQ(loadPlaylist("ReferenceYear 2022\nvideo cam.tmd startTime=60 stopTime=70\nvideo far.TMD\n"
                           "video bad.tmd\nvideo missing.tmd\n"),
              2);
    EXPECT_EQ(builder.calls, (Tokens{"tmd " + files.path("lists/cam.tmd"), "video " + files.path("lists/cam.mp4"),
                                     "tmd " + files.path("elsewhere/far.TMD"), "video " + files.path("elsewhere/cam.mp4"),
                                     "tmd " + files.path("lists/bad.tmd"), "tmd " + files.path("lists/missing.tmd")}));
    const MediaParameters& cam = builder.items[0];
    EXPECT_EQ(cam.timeZero(), in(2021, 50));
    EXPECT_EQ(cam.startTime(), in(2022, 60));
    EXPECT_EQ(cam.stopTime(), in(2022, 70));
    EXPECT_FALSE(cam.realtimeForwardCase());
    EXPECT_EQ(cam.allowableDelta(), 0.25);
    EXPECT_EQ(builder.items[1].startTime(), in(2021, 0));
    EXPECT_EQ(messages.text(), "Invalid argument to MediaStartTime: soon\nUnable to load TMD file: " +
                                   files.path("lists/bad.tmd") + "\nUnable to open file: " +
                                   files.path("lists/missing.tmd") + "\nUnable to load TMD file: " +
                                   files.path("lists/missing.tmd") + "\n");
}
