#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/ToQImageFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;

std::vector<FramePtr> convertAll(FFmpeg::ConvertPixelFormatFilter& converter, const std::vector<FramePtr>& frames)
{
    std::vector<FramePtr> converted;
    auto connection = QObject::connect(&converter, &FFmpeg::ConvertPixelFormatFilter::convertedFrameReady,
                                       [&converted](FramePtr frame) { converted.push_back(frame); });
    for (const auto& frame : frames)
        converter.convert(frame);
    QObject::disconnect(connection);
    return converted;
}

TEST(PixelConversion, TurnsEveryDecodedFrameIntoBgraRowsWithoutGapsWithItsTimesAndPicture)
{
    // 101 pixels make 404 bytes a row: a 32-byte alignment would have made it 416.
    for (const auto& [name, width, height] : {std::tuple{"h264_aac.mp4", 160, 96}, std::tuple{"odd_101x51.mp4", 101, 51}}) {
        SCOPED_TRACE(name);
        DecodedStream video(name, AVMEDIA_TYPE_VIDEO);
        ASSERT_TRUE(video.isOpen());
        const auto frames = video.decode(10);
        ASSERT_EQ(frames.size(), 10u);
        FFmpeg::ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
        const auto converted = convertAll(converter, frames);
        ASSERT_EQ(converted.size(), frames.size());
        for (std::size_t n = 0; n < frames.size(); ++n) {
            const AVFrame* output = converted[n]->avFrame();
            EXPECT_EQ(converted[n]->pixelFormat(), AV_PIX_FMT_BGRA);
            EXPECT_EQ(output->width, width);
            EXPECT_EQ(output->height, height);
            EXPECT_EQ(output->linesize[0], width * 4);
            EXPECT_EQ(output->pts, frames[n]->avFrame()->pts);
            EXPECT_EQ(converted[n]->bestEffortTimeStamp(), frames[n]->bestEffortTimeStamp());
            EXPECT_EQ(TestMedia::frameNumberOf(*converted[n]), static_cast<int>(n));
            // The input is left as it was.
            EXPECT_EQ(frames[n]->pixelFormat(), video.codec().pixelFormat());
            EXPECT_NE(output->data[0], frames[n]->avFrame()->data[0]);
        }
    }
}

TEST(PixelConversion, ReleasedPicturesLendTheirBuffersToLaterOnesAndHeldOnesOutliveTheConverter)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video.isOpen());
    const auto frames = video.decode(3);
    ASSERT_EQ(frames.size(), 3u);
    auto converter = std::make_unique<FFmpeg::ConvertPixelFormatFilter>(video.codec(), AV_PIX_FMT_BGRA);

    auto first = convertAll(*converter, {frames[0]});
    ASSERT_EQ(first.size(), 1u);
    const uint8_t* buffer = first[0]->avFrame()->data[0];
    first.clear();
    // A full-HD picture is 8 MB: one fresh buffer per frame would fault it in anew every time.
    const auto second = convertAll(*converter, {frames[1]});
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]->avFrame()->data[0], buffer);
    EXPECT_EQ(TestMedia::frameNumberOf(*second[0]), 1);

    converter.reset();
    EXPECT_EQ(TestMedia::frameNumberOf(*second[0]), 1) << "the picture stays readable";
}

TEST(PixelConversion, ScalesToAnExplicitSizeAndKeepsSizesThatAreNotGiven)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video.isOpen());
    const auto frames = video.decode(4);
    FFmpeg::ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);

    ASSERT_EQ(converter.reinitialize(AV_PIX_FMT_BGRA, 80, -1), 0);
    auto converted = convertAll(converter, {frames[3]});
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0]->width(), 80);
    EXPECT_EQ(converted[0]->height(), 96);
    EXPECT_EQ(converted[0]->avFrame()->linesize[0], 80 * 4);
    EXPECT_EQ(TestMedia::frameNumberOf(*converted[0]), 3);

    ASSERT_EQ(converter.reinitialize(AV_PIX_FMT_RGB24, 0, 48), 0);
    converted = convertAll(converter, {frames[1]});
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0]->pixelFormat(), AV_PIX_FMT_RGB24);
    EXPECT_EQ(converted[0]->width(), 80);
    EXPECT_EQ(converted[0]->height(), 48);
    EXPECT_EQ(TestMedia::frameNumberOf(*converted[0]), 1);
}

TEST(PixelConversion, FramesOfAnotherSizeOrFormatThanTheDecoderAnnouncedStillPlay)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    DecodedStream odd("odd_101x51.mp4", AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video.isOpen());
    ASSERT_TRUE(odd.isOpen());
    const auto frames = video.decode(6);
    const auto oddFrames = odd.decode(6);
    ASSERT_EQ(oddFrames[5]->pixelFormat(), AV_PIX_FMT_YUV444P);
    FFmpeg::ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);

    // As if the stream switched to 101 x 51 in 4:4:4 and back: the output keeps its size.
    const auto converted = convertAll(converter, {frames[4], oddFrames[5], frames[2]});
    ASSERT_EQ(converted.size(), 3u);
    std::vector<int> numbers;
    for (const auto& frame : converted) {
        EXPECT_EQ(frame->width(), 160);
        EXPECT_EQ(frame->height(), 96);
        numbers.push_back(TestMedia::frameNumberOf(*frame));
    }
    EXPECT_EQ(numbers, (std::vector<int>{4, 5, 2}));
}

TEST(PixelConversion, PassesOnNoFrameWhosePixelsWereNotWritten)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    DecodedStream audio("h264_aac.mp4", AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(video.isOpen());
    ASSERT_TRUE(audio.isOpen());
    const auto frames = video.decode(1);
    ASSERT_EQ(frames.size(), 1u);

    // A decoder without pictures gives no size to convert to.
    FFmpeg::ConvertPixelFormatFilter pictureless(audio.codec(), AV_PIX_FMT_BGRA);
    EXPECT_EQ(pictureless.reinitialize(AV_PIX_FMT_BGRA, -1, -1), 1);
    EXPECT_TRUE(convertAll(pictureless, frames).empty());

    FFmpeg::ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
    int emitted = 0;
    QObject::connect(&converter, &FFmpeg::ConvertPixelFormatFilter::convertedFrameReady,
                     [&emitted](FramePtr) { ++emitted; });
    // An output buffer of the wrong size would be overrun or left partly blank.
    auto small = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(small->allocateBuffer(AV_PIX_FMT_BGRA, 16, 16), 0);
    converter.convert(frames[0], small);
    converter.convert(frames[0], std::make_shared<FFmpeg::Frame>());
    converter.convert(nullptr);
    // A frame that the decoder never filled has no picture to convert.
    converter.convert(std::make_shared<FFmpeg::Frame>());
    EXPECT_EQ(emitted, 0);

    auto fitting = std::shared_ptr<FFmpeg::Frame>(converter.createFrame());
    converter.convert(frames[0], fitting);
    EXPECT_EQ(emitted, 1);
}

// The BGRA bytes of one pixel as the 32-bit value QImage::pixel returns for RGB32.
QRgb pixelOf(const FFmpeg::Frame& frame, int x, int y)
{
    const uint8_t* bgra = frame.avFrame()->data[0] + y * frame.avFrame()->linesize[0] + 4 * x;
    return qRgb(bgra[2], bgra[1], bgra[0]);
}

TEST(PixelConversion, ImagesOwnTheirPixelsAndOutliveTheFrame)
{
    DecodedStream video("odd_101x51.mp4", AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video.isOpen());
    FFmpeg::ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
    const FramePtr decodedYuv = video.decode(1).at(0);
    auto converted = convertAll(converter, {decodedYuv});
    ASSERT_EQ(converted.size(), 1u);

    FFmpeg::ToQImageFilter imageFilter;
    EXPECT_TRUE(imageFilter.isEnabled());
    std::vector<QSharedPointer<QImage>> images;
    QObject::connect(&imageFilter, &FFmpeg::ToQImageFilter::imageReady,
                     [&images](QSharedPointer<QImage> image) { images.push_back(image); });
    imageFilter.createImage(converted[0]);
    ASSERT_EQ(images.size(), 1u);
    const QImage& image = *images[0];
    EXPECT_EQ(image.size(), QSize(101, 51));

    std::vector<QRgb> expected;
    for (int y = 0; y < 51; ++y)
        for (int x = 0; x < 101; ++x)
            expected.push_back(pixelOf(*converted[0], x, y));
    const uint8_t* frameBegin = converted[0]->avFrame()->data[0];
    const uint8_t* frameEnd = frameBegin + 101 * 4 * 51;
    EXPECT_TRUE(image.constBits() < frameBegin || image.constBits() >= frameEnd);

    const FramePtr bgra = converted[0];
    converted.clear();
    std::vector<QRgb> seen;
    for (int y = 0; y < 51; ++y)
        for (int x = 0; x < 101; ++x)
            seen.push_back(image.pixel(x, y) | 0xff000000u);
    EXPECT_EQ(seen, expected);

    // Nothing when switched off or given no BGRA picture.
    imageFilter.setEnabled(false);
    imageFilter.createImage(bgra);
    imageFilter.setEnabled(true);
    imageFilter.createImage(decodedYuv);
    imageFilter.createImage(nullptr);
    EXPECT_EQ(images.size(), 1u);
}

} // namespace
