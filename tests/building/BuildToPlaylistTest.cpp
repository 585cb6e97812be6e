#include "playlist/BuildToPlaylist.h"

#include "playlist/Playlist.h"
#include "playlist/PlaylistEntry.h"
#include "support/RecordingMediaFile.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using MediaPlayer2::BuildToPlaylist;
using MediaPlayer2::MediaParameters;
using MediaPlayer2::Playlist;
using MediaPlayer2::PlaylistEntry;
using testsupport::RecordingMediaFileFactory;

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

std::vector<std::string> filenamesIn(const Playlist& playlist)
{
    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist.getPlaylistEntries(entries);
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry->mediaParameters().filename());
    return names;
}

}  // namespace

TEST(BuildToPlaylist, ItemsLoadAtOnceByTypeAndTransferKeepsTheFirstOfEachStartTime)
{
    RecordingMediaFileFactory factory;
    Playlist playlist;
    QSignalSpy hideSpy(&playlist, &Playlist::hideWhenNotPlayingChanged);
    {
        BuildToPlaylist builder(factory);
        builder.loadVideo(item(MediaParameters::VIDEO, "/m/first10.mp4", 10));
        builder.loadAudio(item(MediaParameters::VIDEO, "/m/second10.mp4", 10));
        builder.loadImage(item(MediaParameters::IMAGE, "/m/c.png", 30));
        builder.loadAudio(item(MediaParameters::AUDIO, "/m/d.wav", 20));
        builder.notifyTmdFound("/m/item.tmd");  // loads nothing
        EXPECT_EQ(factory.requests(), (std::vector<std::string>{"loadMedia(/m/first10.mp4, VIDEO)",
                                                                "loadMedia(/m/second10.mp4, VIDEO)",
                                                                "loadMedia(/m/c.png, IMAGE)", "loadMedia(/m/d.wav, AUDIO)"}));
        EXPECT_EQ(factory.journal()->back(), "/m/d.wav: setMedia(/m/d.wav)");
        builder.transfer(&playlist);
        builder.transfer(&playlist);
    }
    EXPECT_TRUE(playlist.hideWhenNotPlaying());
    EXPECT_EQ(hideSpy.count(), 1);
    EXPECT_EQ(filenamesIn(playlist), (std::vector<std::string>{"/m/first10.mp4", "/m/d.wav", "/m/c.png"}));

    QList<std::shared_ptr<PlaylistEntry>> entries;
    playlist.getPlaylistEntries(entries);
    EXPECT_TRUE(entries.at(0)->isLoadingComplete()) << "entries outlive the builder that made them";
    EXPECT_EQ(factory.file("/m/second10.mp4"), nullptr) << "the refused entry's media went with the builder";
}

TEST(BuildToPlaylist, HideFlagAndBookmarksAreCarried)
{
    RecordingMediaFileFactory factory;
    BuildToPlaylist builder(factory);
    builder.setHideWhenNotPlaying(false);
    builder.loadBookmarks("/m/one.bmk");
    builder.loadBookmarks("/m/two.bmk");
    EXPECT_EQ(builder.bookmarks(), (std::vector<std::string>{"/m/one.bmk", "/m/two.bmk"}));

    Playlist playlist;
    playlist.setHideWhenNotPlaying(true);
    builder.transfer(&playlist);
    EXPECT_FALSE(playlist.hideWhenNotPlaying());
    EXPECT_TRUE(playlist.isEmpty());
}
