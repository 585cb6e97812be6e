#include "playlist/MediaParameters.h"

#include <gtest/gtest.h>

using MediaPlayer2::MediaParameters;

TEST(MediaParameters, DefaultRecordHasUnsetSmallWindowAndForwardPlayback)
{
    const MediaParameters params;
    EXPECT_EQ(params.fileType(), MediaParameters::UNDEFINED);
    EXPECT_TRUE(params.filename().empty());
    EXPECT_EQ(params.timeZero(), orvCore::TimeStamp());
    EXPECT_EQ(params.startTime(), orvCore::TimeStamp());
    EXPECT_EQ(params.stopTime(), orvCore::TimeStamp());
    EXPECT_EQ(params.position(), QRectF(0.0, 0.0, 10.0, 10.0));
    EXPECT_FALSE(params.isXSet());
    EXPECT_FALSE(params.isYSet());
    EXPECT_FALSE(params.isWidthSet());
    EXPECT_FALSE(params.isHeightSet());
    EXPECT_FALSE(params.isPositionSet());
    EXPECT_FALSE(params.mute());
    EXPECT_TRUE(params.displayDecorations());
    EXPECT_FALSE(params.alwaysOnTop());
    EXPECT_TRUE(params.realtimeForwardCase());
    EXPECT_DOUBLE_EQ(params.allowableDelta(), 1.0);
}

TEST(MediaParameters, FullConstructorStoresValuesButMarksNoPositionAsSet)
{
    const orvCore::TimeStamp zero(2020, orvCore::Seconds(5, 0));
    const orvCore::TimeStamp start(2020, orvCore::Seconds(10, 0));
    const orvCore::TimeStamp stop(2020, orvCore::Seconds(20, 0));
    const MediaParameters params(MediaParameters::IMAGE, "a.png", zero, start, stop, QRectF(1, 2, 300, 400), true,
                                 false, true);
    EXPECT_EQ(params.fileType(), MediaParameters::IMAGE);
    EXPECT_EQ(params.filename(), "a.png");
    EXPECT_EQ(params.timeZero(), zero);
    EXPECT_EQ(params.startTime(), start);
    EXPECT_EQ(params.stopTime(), stop);
    EXPECT_EQ(params.position(), QRectF(1, 2, 300, 400));
    EXPECT_FALSE(params.isPositionSet());
    EXPECT_TRUE(params.mute());
    EXPECT_FALSE(params.displayDecorations());
    EXPECT_TRUE(params.alwaysOnTop());
    EXPECT_TRUE(params.realtimeForwardCase());
    EXPECT_DOUBLE_EQ(params.allowableDelta(), 1.0);
}

TEST(MediaParameters, LeftAndTopEdgesMoveWhileFarEdgesStaySoOrderMatters)
{
    MediaParameters xThenWidth;
    xThenWidth.setX(4.0);
    EXPECT_EQ(xThenWidth.position(), QRectF(4.0, 0.0, 6.0, 10.0));
    EXPECT_TRUE(xThenWidth.isXSet());
    EXPECT_FALSE(xThenWidth.isWidthSet());
    EXPECT_TRUE(xThenWidth.isPositionSet());
    xThenWidth.setWidth(20.0);
    EXPECT_EQ(xThenWidth.position(), QRectF(4.0, 0.0, 20.0, 10.0));
    EXPECT_TRUE(xThenWidth.isWidthSet());

    MediaParameters widthThenX;
    widthThenX.setWidth(20.0);
    widthThenX.setX(4.0);
    EXPECT_EQ(widthThenX.position(), QRectF(4.0, 0.0, 16.0, 10.0));

    MediaParameters heightThenY;
    heightThenY.setHeight(30.0);
    heightThenY.setY(-5.0);
    EXPECT_EQ(heightThenY.position(), QRectF(0.0, -5.0, 10.0, 35.0));
    EXPECT_TRUE(heightThenY.isYSet());
    EXPECT_TRUE(heightThenY.isHeightSet());
    EXPECT_FALSE(heightThenY.isXSet());

    MediaParameters whole;
    whole.setPosition(QRectF(7, 8, 9, 10));
    EXPECT_EQ(whole.position(), QRectF(7, 8, 9, 10));
    EXPECT_TRUE(whole.isXSet() && whole.isYSet() && whole.isWidthSet() && whole.isHeightSet());
}

TEST(MediaParameters, AudioPositionParksOnlyAudioItems)
{
    MediaParameters video;
    video.setFileType(MediaParameters::VIDEO);
    video.setAudioPosition();
    EXPECT_EQ(video.position(), QRectF(0.0, 0.0, 10.0, 10.0));
    EXPECT_FALSE(video.isPositionSet());
    EXPECT_TRUE(video.displayDecorations());

    MediaParameters audio;
    audio.setFileType(MediaParameters::AUDIO);
    audio.setPosition(QRectF(100, 100, 640, 480));
    audio.setAudioPosition();
    EXPECT_EQ(audio.position(), QRectF(-400.0, -40.0, 1.0, 1.0));
    EXPECT_TRUE(audio.isXSet() && audio.isYSet() && audio.isWidthSet() && audio.isHeightSet());
    EXPECT_FALSE(audio.displayDecorations());
}

TEST(MediaParameters, FileTypeGuessLooksAtLastSuffixOnly)
{
    const auto guess = [](const std::string& name) {
        MediaParameters params;
        params.guessFileType(name);
        return params.fileType();
    };
    EXPECT_EQ(guess("/music/song.mp3"), MediaParameters::AUDIO);
    EXPECT_EQ(guess("/music/SONG.MP3"), MediaParameters::VIDEO) << "audio suffixes compare case-sensitively";
    EXPECT_EQ(guess("bundle.tar.wav"), MediaParameters::AUDIO);
    EXPECT_EQ(guess("noise.audio"), MediaParameters::AUDIO);
    for (const char* name : {"a.aiff", "a.aifc", "a.au", "a.m4a", "a.wma"})
        EXPECT_EQ(guess(name), MediaParameters::AUDIO) << name;
    EXPECT_EQ(guess("README"), MediaParameters::VIDEO);
    EXPECT_EQ(guess("clip.mp4"), MediaParameters::VIDEO);
    EXPECT_EQ(guess("wav.dir/clip"), MediaParameters::VIDEO) << "a dot in a folder name is no suffix";
    EXPECT_EQ(guess("photo.png"), MediaParameters::IMAGE);
    EXPECT_EQ(guess("photo.PNG"), MediaParameters::IMAGE) << "image extensions ignore case";
}
