#include "media/MediaParameters.h"

#include <gtest/gtest.h>

using MediaPlayer2::MediaParameters;

// The order of position tags is checked through the playlist file loader; here what marks a
// position as given, and the parking of audio items.
TEST(MediaParameters, EachPositionFieldIsMarkedGivenOnItsOwnButNotByTheConstructor)
{
    MediaParameters params;
    params.setX(4.0);
    params.setHeight(30.0);
    EXPECT_TRUE(params.isXSet() && !params.isYSet() && !params.isWidthSet() && params.isHeightSet());
    EXPECT_EQ(params.position(), QRectF(4.0, 0.0, 6.0, 30.0));

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
    EXPECT_FALSE(video.isPositionSet());
    EXPECT_TRUE(video.displayDecorations());

    MediaParameters audio;
    audio.setFileType(MediaParameters::AUDIO);
    audio.setPosition(QRectF(100, 100, 640, 480));
    audio.setAudioPosition();
    EXPECT_EQ(audio.position(), QRectF(-400.0, -40.0, 1.0, 1.0));
    EXPECT_FALSE(audio.displayDecorations());
}

TEST(MediaParameters, FileTypeGuessLooksAtLastSuffixOnly)
{
    const auto guess = [](const std::string& name) {
        MediaParameters params;
        params.guessFileType(name);
        return params.fileType();
    };
    for (const char* name : {"/music/song.mp3", "bundle.tar.wav", "noise.audio", "a.aifc", "a.au", "a.m4a", "a.wma"})
        EXPECT_EQ(guess(name), MediaParameters::AUDIO) << name;
    EXPECT_EQ(guess("/music/SONG.MP3"), MediaParameters::VIDEO) << "audio suffixes compare case-sensitively";
    EXPECT_EQ(guess("wav.dir/clip"), MediaParameters::VIDEO) << "a dot in a folder name is no suffix";
    EXPECT_EQ(guess("photo.PNG"), MediaParameters::IMAGE) << "image extensions ignore case";
}
