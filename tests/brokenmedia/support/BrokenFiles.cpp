#include "BrokenFiles.h"

#include "support/TestMedia.h"

#include "ffmpeg/CodecContext.h"
#include "ffmpeg/FormatContext.h"
#include "ffmpeg/Packet.h"

#include <QFile>
#include <QTest>

#include <algorithm>
#include <random>

namespace BrokenMedia {

namespace {

// Of the clip's size: through the middle.
constexpr double kFractionsOfSize[] = {0.25, 0.5, 0.6, 0.75};

// Played before the last picture of a cut file, so that the pictures up to it arrive in order.
constexpr double kLeadInSeconds = 0.5;
// A decoder that reorders holds back up to three pictures, and the packet the cut runs through may
// not decode.
constexpr int kPicturesLostAtTheCut = 4;

// Sparse noise leaves most packets whole, dense noise hardly any.
constexpr Noise kNoises[] = {{1, 1000, true}, {2, 1000, false}, {3, 100, true},
                             {4, 100, false}, {5, 10, true},    {6, 10, false}};

QByteArray contentsOf(const std::string& clip)
{
    QFile file(QString::fromStdString(TestMedia::path(clip)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

const std::vector<Clip>& generatedClips()
{
    static const std::vector<Clip> clips = {
        {"h264_aac.mp4", false},         {"h264_aac.mkv", true},          {"vp9_opus.webm", true},
        {"mpeg4_mp3.avi", true},         {"mjpeg.mov", false},            {"theora_vorbis.ogg", true},
        {"odd_101x51.mp4", false},       {"tone_mono_22050.wav", true},   {"tone_stereo_44100.mp3", true},
        {"tone_51_48000.flac", true},    {"tone_stereo_44100.m4a", false}, {"subtitles.mkv", true},
        {"raw.h264", true},              {"truncated.mp4", true},         {"avs2_mp3.avi", true},
        {"mjpeg_mpegh.mov", true},       {"stereo_then_mono.mp3", true}};
    return clips;
}

void PrintTo(const Clip& clip, std::ostream* stream)
{
    *stream << clip.name;
}

std::string testNameOf(const ::testing::TestParamInfo<Clip>& info)
{
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '.', '_');
    return name;
}

std::string BrokenFile::description() const
{
    return clip + " " + damage + " (" + path.toStdString() + ")";
}

BrokenFile BrokenFileMaker::truncated(const std::string& clip, int64_t size)
{
    const QByteArray whole = contentsOf(clip);
    return write_(clip, "cut" + std::to_string(size),
                  "cut to " + std::to_string(size) + " of " + std::to_string(whole.size()) + " bytes",
                  whole.left(static_cast<int>(size)));
}

BrokenFile BrokenFileMaker::truncatedAt(const std::string& clip, double fraction)
{
    return truncated(clip, static_cast<int64_t>(contentsOf(clip).size() * fraction));
}

std::vector<BrokenFile> BrokenFileMaker::truncatedSpread(const std::string& clip)
{
    const int64_t size = contentsOf(clip).size();
    const int64_t header = headerSizeOf(clip);
    // The signature whole or cut, inside the header, the first packet cut or a little more of it,
    // and so few bytes short of the end that only the last packet or the index's tail is lost.
    std::vector<int64_t> sizes = {1, 16, header / 2, header - 1, header + 1, header + 200, size - 100, size - 4};
    for (double fraction : kFractionsOfSize)
        sizes.push_back(static_cast<int64_t>(size * fraction));

    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::vector<BrokenFile> files;
    for (int64_t cut : sizes)
        if (cut > 0 && cut < size)
            files.push_back(truncated(clip, cut));
    return files;
}

BrokenFile BrokenFileMaker::noisy(const std::string& clip, const Noise& noise)
{
    QByteArray bytes = contentsOf(clip);
    const int64_t start = noise.spareHeader ? headerSizeOf(clip) : 0;
    // The generator's raw output is the same everywhere; the library's distributions are not.
    std::mt19937 random(noise.seed);
    const auto gap = [&] { return 1 + static_cast<int64_t>(random() % (2 * noise.oneIn - 1)); };
    for (int64_t at = start + gap() - 1; at < bytes.size(); at += gap())
        bytes[static_cast<int>(at)] = static_cast<char>(bytes[static_cast<int>(at)] ^ (1 + random() % 255));

    const std::string seed = std::to_string(noise.seed);
    const std::string oneIn = std::to_string(noise.oneIn);
    const std::string where = noise.spareHeader ? " after the " + std::to_string(start) + "-byte header" : "";
    return write_(clip, "noise" + seed + "-1in" + oneIn + (noise.spareHeader ? "-body" : ""),
                  "with 1 byte in " + oneIn + " changed" + where + ", seed " + seed, bytes);
}

std::vector<BrokenFile> BrokenFileMaker::noisySpread(const std::string& clip)
{
    std::vector<BrokenFile> files;
    for (const Noise& noise : kNoises)
        files.push_back(noisy(clip, noise));
    return files;
}

BrokenFile BrokenFileMaker::write_(const std::string& clip, const std::string& stem, const std::string& damage,
                                   const QByteArray& bytes)
{
    // The clip's name last, so the extension stays: some formats are told by it.
    const QString path = folder_.filePath(QString::fromStdString(stem + "-" + clip));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {clip, damage + " (not written)", QString()};
    return {clip, damage, path};
}

int64_t headerSizeOf(const std::string& clip)
{
    FFmpeg::FormatContext context;
    FFmpeg::Packet packet;
    if (context.open(TestMedia::path(clip)) != 0 || context.readFrame(packet) != 0)
        return 0;
    return std::max<int64_t>(packet.avPacket()->pos, 0);
}

int lastPictureIn(const QString& path)
{
    FFmpeg::FormatContext context;
    if (context.open(path.toStdString()) != 0)
        return -1;
    const int stream = context.findBestStream(AVMEDIA_TYPE_VIDEO);
    if (stream < 0)
        return -1;
    const FFmpeg::CodecContext* codec = context.codecContext(static_cast<unsigned>(stream));
    int last = -1;
    for (FFmpeg::Packet packet; context.readFrame(packet) == 0; av_packet_unref(packet.avPacket()))
        if (packet.streamId() == stream && packet.pts() != AV_NOPTS_VALUE)
            last = std::max(last, TestMedia::frameNumberAt(codec->ptsToSeconds(packet.pts())));
    return last;
}

double leadInTo(int lastPicture, double duration)
{
    const double last = lastPicture >= 0 ? lastPicture / TestMedia::kFrameRate : duration;
    return std::max(last - kLeadInSeconds, 0.0);
}

void expectPicturesUpTo(int lastHeld, const std::function<int()>& latest)
{
    // The last pictures may still be on their way from the decoder thread.
    EXPECT_TRUE(QTest::qWaitFor([&] { return latest() >= lastHeld - kPicturesLostAtTheCut; }, kHangGuardMs))
        << "latest picture " << latest() << " of " << lastHeld << " held";
    EXPECT_LE(latest(), lastHeld);
}

} // namespace BrokenMedia
