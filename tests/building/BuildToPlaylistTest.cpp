#include "playlist/BuildToPlaylist.h"

#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"
#include "support/RecordingMediaFile.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using MediaPlayer2::MediaParameters;
using MediaPlayer2::Playlist;
using MediaPlayer2::PlaylistEntry;

namespace {

MediaParameters item(MediaParameters::FileType type, const std::string& name, int64_t startSeconds)
{
    MediaParameters params;
    params.setFileType(type);
    params.setFilename(name);
    params.setStartTime(orvCore::TimeStamp(2030, orvCore::Seconds(startSeconds, 0)));
    params.setTimeZero(params.startTime());
    return params;
}

}  // namespace

// Reading order, the hide flag, bookmarks and the first entry of a start time winning are checked end
// to end; here that transfers repeat nothing and that entries outlive the builder.
TEST(BuildToPlaylist, ItemsLoadAtOnceByTheirTypeAndTransferAgainAddsNothing)
{
    testsupport::RecordingMediaFileFactory factory;
    Playlist playlist;
    QSignalSpy hideSpy(&playlist, &Playlist::hideWhenNotPlayingChanged);
    {
        MediaPlayer2::BuildToPlaylist builder(factory);
        builder.loadAudio(item(MediaParameters::VIDEO, "/m/first10.mp4", 10));
        builder.loadImage(item(MediaParameters::IMAGE, "/m/second10.png", 10));
        builder.loadVideo(item(MediaParameters::AUDIO, "/m/d.wav", 20));
        EXPECT_EQ(factory.requests(), (std::vector<std::string>{"loadMedia(/m/first10.mp4, VIDEO)",
                                                                "loadMedia(/m/second10.png, IMAGE)",
                                                                "loadMedia(/m/d.wav, AUDIO)"}));
        builder.transfer(&playlist);
        builder.transfer(&playlist);
    }
    EXPECT_EQ(hideSpy.count(), 1);
    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist.getPlaylistEntries(entries);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(1)->mediaParameters().filename(), "/m/d.wav");
    EXPECT_TRUE(entries.at(0)->isLoadingComplete()) << "entries outlive the builder that made them";
    EXPECT_EQ(factory.file("/m/second10.png"), nullptr) << "the refused entry's media went with the builder";
}
