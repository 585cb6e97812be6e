#include "support/DecodedStream.h"
#include "support/TestMedia.h"
#include "ffmpeg/ConvertPixelFormatFilter.h"
#include "ffmpeg/ToQImageFilter.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

namespace {

using FramePtr = std::shared_ptr<FFmpeg::Frame>;
using FFmpeg::ConvertPixelFormatFilter;

std::vector<FramePtr> convertAll(ConvertPixelFormatFilter& converter, const std::vector<FramePtr>& frames)
{
    std::vector<FramePtr> converted;
    auto connection = QObject::connect(&converter, &ConvertPixelFormatFilter::convertedFrameReady,
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
        const auto frames = video.decode(10);
        ASSERT_EQ(frames.size(), 10u);
        ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
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
            EXPECT_EQ(frames[n]->pixelFormat(), video.codec().pixelFormat()) << "the input is left as it was";
        }
    }
}

TEST(PixelConversion, ReleasedPicturesLendTheirBuffersToLaterOnesAndHeldOnesOutliveTheConverter)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    const auto frames = video.decode(2);
    ASSERT_EQ(frames.size(), 2u);
    auto converter = std::make_unique<ConvertPixelFormatFilter>(video.codec(), AV_PIX_FMT_BGRA);
    const uint8_t* buffer = convertAll(*converter, {frames[0]}).at(0)->avFrame()->data[0];
    // A full-HD picture is 8 MB: one fresh buffer per frame would fault it in anew every time.
    // Memory freed with the picture would go to the next allocation of its size; the pool keeps it.
    const std::vector<uint8_t> sameSize(160 * 96 * 4);
    const FramePtr second = convertAll(*converter, {frames[1]}).at(0);
    EXPECT_EQ(second->avFrame()->data[0], buffer);
    converter.reset();
    EXPECT_EQ(TestMedia::frameNumberOf(*second), 1) << "the picture stays readable";
}

TEST(PixelConversion, ScalesToTheSizeItIsGivenWhateverSizeOrFormatTheFramesHave)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    DecodedStream odd("odd_101x51.mp4", AVMEDIA_TYPE_VIDEO);
    const auto frames = video.decode(6);
    const auto oddFrames = odd.decode(6);
    ASSERT_EQ(oddFrames.at(5)->pixelFormat(), AV_PIX_FMT_YUV444P);
    ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);

    // As if the stream switched to 101 x 51 in 4:4:4 and back: the output keeps the given size,
    // and a size that is not given stays as it was.
    struct Step
    {
        AVPixelFormat format;
        int width;
        int height;
        int expectedWidth;
        int expectedHeight;
    };
    for (const Step& step : {Step{AV_PIX_FMT_BGRA, -1, -1, 160, 96}, Step{AV_PIX_FMT_BGRA, 80, -1, 80, 96},
                             Step{AV_PIX_FMT_RGB24, 0, 48, 80, 48}}) {
        SCOPED_TRACE(step.width);
        ASSERT_EQ(converter.reinitialize(step.format, step.width, step.height), 0);
        std::vector<int> numbers;
        for (const auto& frame : convertAll(converter, {frames[4], oddFrames[5], frames[2]})) {
            EXPECT_EQ(frame->pixelFormat(), step.format);
            EXPECT_EQ(frame->width(), step.expectedWidth);
            EXPECT_EQ(frame->height(), step.expectedHeight);
            numbers.push_back(TestMedia::frameNumberOf(*frame));
        }
        EXPECT_EQ(numbers, (std::vector<int>{4, 5, 2}));
    }
}

TEST(PixelConversion, PassesOnNoFrameWhosePixelsWereNotWritten)
{
    DecodedStream video("h264_aac.mp4", AVMEDIA_TYPE_VIDEO);
    DecodedStream audio("h264_aac.mp4", AVMEDIA_TYPE_AUDIO);
    const auto frames = video.decode(1);
    ASSERT_EQ(frames.size(), 1u);

    // A decoder without pictures gives no size to convert to.
    ConvertPixelFormatFilter pictureless(audio.codec(), AV_PIX_FMT_BGRA);
    EXPECT_EQ(pictureless.reinitialize(AV_PIX_FMT_BGRA, -1, -1), 1);
    EXPECT_TRUE(convertAll(pictureless, frames).empty());

    ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
    int emitted = 0;
    QObject::connect(&converter, &ConvertPixelFormatFilter::convertedFrameReady, [&emitted] { ++emitted; });
    // An output buffer of the wrong size would be overrun or left partly blank.
    auto small = std::make_shared<FFmpeg::Frame>();
    ASSERT_EQ(small->allocateBuffer(AV_PIX_FMT_BGRA, 16, 16), 0);
    converter.convert(frames[0], small);
    converter.convert(frames[0], std::make_shared<FFmpeg::Frame>());
    converter.convert(nullptr);
    // A frame that the decoder never filled has no picture to convert.
    converter.convert(std::make_shared<FFmpeg::Frame>());
    EXPECT_EQ(emitted, 0);
    converter.convert(frames[0], std::shared_ptr<FFmpeg::Frame>(converter.createFrame()));
    EXPECT_EQ(emitted, 1);
}

TEST(PixelConversion, ImagesOwnTheirPixelsAndOutliveTheFrame)
{
    DecodedStream video("odd_101x51.mp4", AVMEDIA_TYPE_VIDEO);
    ConvertPixelFormatFilter converter(video.codec(), AV_PIX_FMT_BGRA);
    const FramePtr decodedYuv = video.decode(1).at(0);
    FramePtr bgra = convertAll(converter, {decodedYuv}).at(0);

    FFmpeg::ToQImageFilter imageFilter;
    std::vector<QSharedPointer<QImage>> images;
    QObject::connect(&imageFilter, &FFmpeg::ToQImageFilter::imageReady,
                     [&images](QSharedPointer<QImage> image) { images.push_back(image); });
    imageFilter.createImage(bgra);
    ASSERT_EQ(images.size(), 1u);
    const AVFrame* picture = bgra->avFrame();
    const QImage expected =
        QImage(picture->data[0], 101, 51, picture->linesize[0], QImage::Format_RGB32).copy();
    EXPECT_TRUE(images[0]->constBits() < picture->data[0]
                || images[0]->constBits() >= picture->data[0] + picture->linesize[0] * 51);
    // Nothing when switched off or given no BGRA picture.
    imageFilter.setEnabled(false);
    imageFilter.createImage(bgra);
    imageFilter.setEnabled(true);
    imageFilter.createImage(decodedYuv);
    imageFilter.createImage(nullptr);
    EXPECT_EQ(images.size(), 1u);

    bgra.reset();
    EXPECT_EQ(images[0]->size(), QSize(101, 51));
    EXPECT_EQ(*images[0], expected);
}

} // namespace
