#include "playlist/MediaParameters.h"

#include <gtest/gtest.h>

using MediaPlayer2::MediaParameters;

TEST(MediaParameters, LeftAndTopEdgesMoveWhileFarEdgesStaySoOrderMatters)
{
    MediaParameters xThenWidth;
    EXPECT_EQ(xThenWidth.position(), QRectF(0.0, 0.0, 10.0, 10.0));
    EXPECT_FALSE(xThenWidth.isPositionSet());
    xThenWidth.setX(4.0);
    EXPECT_EQ(xThenWidth.position(), QRectF(4.0, 0.0, 6.0, 10.0));
    EXPECT_TRUE(xThenWidth.isXSet() && !xThenWidth.isWidthSet() && xThenWidth.isPositionSet());
    xThenWidth.setWidth(20.0);
    EXPECT_EQ(xThenWidth.position(), QRectF(4.0, 0.0, 20.0, 10.0));

    MediaParameters widthThenX;
    widthThenX.setWidth(20.0);
    widthThenX.setX(4.0);
    EXPECT_EQ(widthThenX.position(), QRectF(4.0, 0.0, 16.0, 10.0));

    MediaParameters heightThenY;
    heightThenY.setHeight(30.0);
    heightThenY.setY(-5.0);
    EXPECT_EQ(heightThenY.position(), QRectF(0.0, -5.0, 10.0, 35.0));
    EXPECT_TRUE(heightThenY.isYSet() && heightThenY.isHeightSet() && !heightThenY.isXSet());

    MediaParameters whole;
    whole.setPosition(QRectF(7, 8, 9, 10));
    EXPECT_TRUE(whole.isXSet() && whole.isYSet() && whole.isWidthSet() && whole.isHeightSet());
    // The full constructor stores a position but marks none of it as set.
    const MediaParameters constructed(MediaParameters::IMAGE, "a.png", {}, {}, {}, QRectF(1, 2, 300, 400), true,
                                      false, true);
    EXPECT_EQ(constructed.position(), QRectF(1, 2, 300, 400));
    EXPECT_FALSE(constructed.isPositionSet());
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
    for (const char* name : {"/music/song.mp3", "bundle.tar.wav", "noise.audio", "a.aiff", "a.aifc", "a.au", "a.m4a",
                             "a.wma"})
        EXPECT_EQ(guess(name), MediaParameters::AUDIO) << name;
    EXPECT_EQ(guess("/music/SONG.MP3"), MediaParameters::VIDEO) << "audio suffixes compare case-sensitively";
    EXPECT_EQ(guess("README"), MediaParameters::VIDEO);
    EXPECT_EQ(guess("wav.dir/clip"), MediaParameters::VIDEO) << "a dot in a folder name is no suffix";
    EXPECT_EQ(guess("photo.PNG"), MediaParameters::IMAGE) << "image extensions ignore case";
}
