// Playlist files of any content. Media lines may name TMD files (see fuzz/support/FuzzSupport.h for
// the files an input holds), the playlist itself among them, so that reading a TMD file from a
// playlist, its fallback search and its failures are reached. Each accepted media line reaches the
// builder as one record of the line's type.

#include "loaders/PlaylistFileLoader.h"
#include "playlist/PlaylistBuilder.h"

#include "support/FuzzSupport.h"

#include "orvCore/FileSearch.h"

#include <cstddef>
#include <cstdint>

namespace {

using MediaPlayer2::MediaParameters;

class CheckingBuilder : public MediaPlayer2::PlaylistBuilder {
public:
    std::size_t calls() const { return calls_; }

    void setHideWhenNotPlaying(bool) override { ++calls_; }
    void loadAudio(const MediaParameters& params) override { checkItem_(params, MediaParameters::AUDIO); }
    void loadVideo(const MediaParameters& params) override { checkItem_(params, MediaParameters::VIDEO); }
    void loadImage(const MediaParameters& params) override { checkItem_(params, MediaParameters::IMAGE); }
    void loadBookmarks(const std::string& path) override { checkPath_(path); }
    void notifyTmdFound(const std::string& path) override { checkPath_(path); }

private:
    void checkItem_(const MediaParameters& params, MediaParameters::FileType type)
    {
        ++calls_;
        FUZZ_CHECK(params.fileType() == type);
        FUZZ_CHECK(params.allowableDelta() >= 0.0);
    }

    void checkPath_(const std::string& path)
    {
        ++calls_;
        FUZZ_CHECK(!path.empty());
    }

    std::size_t calls_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::NotifySink notifications;
    static fuzzsupport::InputFiles files;
    static orvCore::FileSearch fallbackSearch({files.path(fuzzsupport::InputFiles::FALLBACK_FOLDER)});
    notifications.clear();

    CheckingBuilder builder;
    MediaPlayer2::PlaylistFileLoader loader(builder);
    loader.setFallbackFileSearch(&fallbackSearch);
    const int rejected = loader.loadFile(files.writeDescriptionFiles(data, size));
    FUZZ_CHECK(rejected >= 0);
    // At most one rejection and two builder calls (notifyTmdFound, then the item) per line.
    FUZZ_CHECK(static_cast<std::size_t>(rejected) + builder.calls() <= 2 * (size + 1));
    return 0;
}
