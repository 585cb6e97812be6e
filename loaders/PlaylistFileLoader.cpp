#include "loaders/PlaylistFileLoader.h"

#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"
#include "orvCore/String.h"
#include "playlist/PlaylistBuilder.h"

#include <algorithm>
#include <iterator>

namespace MediaPlayer2 {

namespace {

const char* const TMD_EXTENSION = ".tmd";

bool isKeyword(const std::string& token, const char* keyword)
{
    return orvCore::caseCompare(token, keyword) == 0;
}

bool namesTmdFile(const std::string& name)
{
    return orvCore::getExtension(name, true) == TMD_EXTENSION;
}

}  // namespace

PlaylistFileLoader::PlaylistFileLoader(PlaylistBuilder& builder)
    : referenceYear_(orvCore::currentYear())
    , builder_(builder)
{
}

PlaylistFileLoader::~PlaylistFileLoader() = default;

int PlaylistFileLoader::processTokens_(std::size_t, const std::vector<std::string>& tokens)
{
    using ItemReader = int (PlaylistFileLoader::*)(const std::vector<std::string>&);
    static const std::pair<const char*, ItemReader> itemReaders[] = {
        {"audio", &PlaylistFileLoader::audio_},
        {"video", &PlaylistFileLoader::video_},
        {"image", &PlaylistFileLoader::image_},
    };

    const std::string& keyword = tokens.front();
    if (tokens.size() == 2 && isKeyword(keyword, "ReferenceYear"))
        return referenceYearLine_(tokens[1]);
    if (tokens.size() == 2 && isKeyword(keyword, "HideWhenNoMediaPlaying"))
        return hideWhenNoMediaPlayingLine_(tokens[1]);
    if (tokens.size() >= 2) {
        for (const auto& [itemKeyword, readItem] : itemReaders) {
            if (!isKeyword(keyword, itemKeyword))
                continue;
            if (namesTmdFile(tokens[1]))
                builder_.notifyTmdFound(resolvePath_(tokens[1]));
            return (this->*readItem)(tokens);
        }
        if (isKeyword(keyword, "bookmark")) {
            builder_.loadBookmarks(resolvePath_(tokens[1]));
            return 0;
        }
    }
    return rejectLine_("Unrecognized token or invalid number of parameters: ", keyword);
}

int PlaylistFileLoader::referenceYearLine_(const std::string& value)
{
    // A bad year leaves the one in force untouched.
    if (!orvCore::isValidNumber(value, referenceYear_, true))
        return rejectLine_("Invalid reference year: ", value);
    return 0;
}

int PlaylistFileLoader::hideWhenNoMediaPlayingLine_(const std::string& value)
{
    if (value == "0" || value == "1") {
        builder_.setHideWhenNotPlaying(value == "1");
        return 0;
    }
    return rejectLine_("Invalid hideWhenNoMediaPlaying: ", value, "; expected 0 or 1.");
}

int PlaylistFileLoader::audio_(const std::vector<std::string>& tokens)
{
    return mediaItem_(tokens, MediaParameters::AUDIO, &PlaylistBuilder::loadAudio);
}

int PlaylistFileLoader::video_(const std::vector<std::string>& tokens)
{
    return mediaItem_(tokens, MediaParameters::VIDEO, &PlaylistBuilder::loadVideo);
}

int PlaylistFileLoader::image_(const std::vector<std::string>& tokens)
{
    return mediaItem_(tokens, MediaParameters::IMAGE, &PlaylistBuilder::loadImage);
}

int PlaylistFileLoader::mediaItem_(const std::vector<std::string>& tokens, MediaParameters::FileType type,
                                   MediaLoad load)
{
    MediaParameters params;
    params.setFileType(type);
    if (parseFileLine_(tokens, params) != 0)
        return REJECTED_LINE;
    (builder_.*load)(params);
    return 0;
}

int PlaylistFileLoader::parseFileLine_(const std::vector<std::string>& tokens, MediaParameters& params)
{
    using TagParser = int (PlaylistFileLoader::*)(const std::string&, MediaParameters&);
    static const std::pair<const char*, TagParser> tagParsers[] = {
        {"startTime", &PlaylistFileLoader::startTime_},
        {"stopTime", &PlaylistFileLoader::stopTime_},
        {"x", &PlaylistFileLoader::x_},
        {"y", &PlaylistFileLoader::y_},
        {"width", &PlaylistFileLoader::width_},
        {"height", &PlaylistFileLoader::height_},
        {"mute", &PlaylistFileLoader::mute_},
        {"displayDecorations", &PlaylistFileLoader::displayDecorations_},
        {"alwaysOnTop", &PlaylistFileLoader::alwaysOnTop_},
    };

    TmdBuilderAdapter adapter;
    if (resolvePossibleTmd_(tokens[1], adapter) != 0)
        return REJECTED_LINE;
    params.setTimeZero(adapter.startTime());
    params.setStartTime(adapter.startTime());
    params.setFilename(adapter.filename());
    params.setRealtimeForwardCase(adapter.realtimeForwardCase());
    params.setAllowableDelta(adapter.allowableDelta());

    // Every tag is checked, so that one reading of the file reports all bad values of the line.
    int badTags = 0;
    for (auto token = tokens.begin() + 2; token != tokens.end(); ++token) {
        std::string name;
        std::string value;
        // A word that is not name=value is a stray remark, not an error.
        if (!orvCore::getNameAndValueFromToken(*token, name, value).empty())
            continue;
        const auto* const tag = std::find_if(std::begin(tagParsers), std::end(tagParsers),
                                             [&name](const auto& entry) { return isKeyword(name, entry.first); });
        if (tag == std::end(tagParsers)) {
            reportError_("Unrecognized tag: ", name);
            ++badTags;
        } else {
            badTags += (this->*tag->second)(value, params);
        }
    }
    return badTags == 0 ? 0 : REJECTED_LINE;
}

int PlaylistFileLoader::resolvePossibleTmd_(const std::string& name, TmdBuilderAdapter& adapter) const
{
    const std::string path = resolvePath_(name);
    if (!namesTmdFile(path)) {
        adapter.setMediaFilename(path);
        return 0;
    }
    TmdFileLoader tmdLoader(adapter);
    tmdLoader.setFallbackFileSearch(fallbackFileSearch());
    if (tmdLoader.loadFile(path) != 0)
        return rejectLine_("Unable to load TMD file: ", path);
    return 0;
}

int PlaylistFileLoader::parseTime_(const std::string& value, const char* message, orvCore::TimeStamp& time) const
{
    if (parseTimeToken_(value, time, referenceYear_) != 0)
        return rejectLine_(message, value);
    return 0;
}

int PlaylistFileLoader::startTime_(const std::string& value, MediaParameters& params)
{
    orvCore::TimeStamp time;
    if (parseTime_(value, "Invalid startTime argument: ", time) != 0)
        return REJECTED_LINE;
    params.setStartTime(time);
    // A plain media file starts playing where its window opens; an item whose TMD file fixed its
    // time zero keeps it, and only the window moves.
    if (params.timeZero() == orvCore::TimeStamp())
        params.setTimeZero(time);
    return 0;
}

int PlaylistFileLoader::stopTime_(const std::string& value, MediaParameters& params)
{
    orvCore::TimeStamp time;
    if (parseTime_(value, "Invalid stopTime argument: ", time) != 0)
        return REJECTED_LINE;
    params.setStopTime(time);
    return 0;
}

template <typename Number, typename Apply>
int PlaylistFileLoader::applyNumericTag_(const std::string& value, const char* message, Apply apply)
{
    Number number = 0;
    if (!orvCore::isValidNumber(value, number, true))
        return rejectLine_(message, value);
    apply(number);
    return 0;
}

int PlaylistFileLoader::x_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<double>(value, "Invalid x argument: ", [&params](double x) { params.setX(x); });
}

int PlaylistFileLoader::y_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<double>(value, "Invalid y argument: ", [&params](double y) { params.setY(y); });
}

int PlaylistFileLoader::width_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<double>(value, "Invalid width argument: ",
                                   [&params](double width) { params.setWidth(width); });
}

int PlaylistFileLoader::height_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<double>(value, "Invalid height argument: ",
                                   [&params](double height) { params.setHeight(height); });
}

int PlaylistFileLoader::mute_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<int>(value, "Invalid mute argument: ",
                                   [&params](int mute) { params.setMute(mute != 0); });
}

int PlaylistFileLoader::displayDecorations_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<int>(value, "Invalid displayDecorations argument: ",
                                   [&params](int display) { params.setDisplayDecorations(display != 0); });
}

int PlaylistFileLoader::alwaysOnTop_(const std::string& value, MediaParameters& params)
{
    return applyNumericTag_<int>(value, "Invalid alwaysOnTop argument: ",
                                   [&params](int onTop) { params.setAlwaysOnTop(onTop != 0); });
}

}  // namespace MediaPlayer2
