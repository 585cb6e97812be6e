#pragma once

#include "loaders/AbstractFileLoader.h"
#include "media/MediaParameters.h"

#include <cstddef>
#include <string>
#include <vector>

namespace MediaPlayer2 {

class PlaylistBuilder;
class TmdBuilderAdapter;

/// Reads a playlist file: timed audio, video and image items with placement and playback tags,
/// the file-wide reference year and hide setting, and bookmark files. An item may name a TMD file
/// instead of its media file. Every accepted line becomes one call on the builder; a rejected line
/// is reported and makes none (apart from notifyTmdFound).
class PlaylistFileLoader : public AbstractFileLoader {
public:
    /// builder is not owned and must outlive the load.
    explicit PlaylistFileLoader(PlaylistBuilder& builder);
    ~PlaylistFileLoader() override;

private:
    using MediaLoad = void (PlaylistBuilder::*)(const MediaParameters&);

    int processTokens_(std::size_t lineNumber, const std::vector<std::string>& tokens) override;

    int referenceYearLine_(const std::string& value);
    int hideWhenNoMediaPlayingLine_(const std::string& value);

    int audio_(const std::vector<std::string>& tokens);
    int video_(const std::vector<std::string>& tokens);
    int image_(const std::vector<std::string>& tokens);
    /// What audio_, video_ and image_ share: parse the line into a record of the given type and,
    /// when every tag was good, hand it to the builder.
    int mediaItem_(const std::vector<std::string>& tokens, MediaParameters::FileType type, MediaLoad load);

    int parseFileLine_(const std::vector<std::string>& tokens, MediaParameters& params);
    /// Fills the adapter from the named TMD file, or with just the resolved name for a media file.
    int resolvePossibleTmd_(const std::string& name, TmdBuilderAdapter& adapter) const;

    // One per tag: 0 when the value was applied to params, 1 after reporting a bad value.
    int startTime_(const std::string& value, MediaParameters& params);
    int stopTime_(const std::string& value, MediaParameters& params);
    int x_(const std::string& value, MediaParameters& params);
    int y_(const std::string& value, MediaParameters& params);
    int width_(const std::string& value, MediaParameters& params);
    int height_(const std::string& value, MediaParameters& params);
    int mute_(const std::string& value, MediaParameters& params);
    int displayDecorations_(const std::string& value, MediaParameters& params);
    int alwaysOnTop_(const std::string& value, MediaParameters& params);

    /// Parses a time with the reference year in force; 1 after reporting message and value.
    int parseTime_(const std::string& value, const char* message, orvCore::TimeStamp& time) const;

    /// Parses value as a Number (double for sizes, int for flags) and hands it to apply; 1 after
    /// reporting message and value.
    template <typename Number, typename Apply>
    static int applyNumericTag_(const std::string& value, const char* message, Apply apply);

    int referenceYear_;
    PlaylistBuilder& builder_;
};

}  // namespace MediaPlayer2
