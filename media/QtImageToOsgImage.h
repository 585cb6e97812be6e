#pragma once

#include <osg/Image>
#include <osg/ref_ptr>

#include <QImage>
#include <QObject>

namespace MediaPlayer2 {

/// Copies QImages into one target osg::Image, which keeps its identity so that textures and
/// quads that refer to it show each new picture.
///
/// Lives on the thread that writes the target; convertImage may be reached through a queued
/// connection from elsewhere.
class QtImageToOsgImage : public QObject {
    Q_OBJECT

public:
    explicit QtImageToOsgImage(QObject* parent = nullptr);
    ~QtImageToOsgImage() override;

    /// Releases the previous target; null stops converting.
    void setOsgImage(osg::Image* osgImage);

    /// Fills osgImage with the QImage's pixels as RGBA bytes, rows in the QImage's order (top row
    /// first) and each pixel's bytes in the QImage's memory order, without colour conversion.
    void convert(const QImage& qImage, osg::Image& osgImage) const;

public slots:
    /// Gives the target the image's pixels and marks it modified; does nothing without a target.
    void convertImage(QImage image);

private:
    osg::ref_ptr<osg::Image> osgImage_;
};

}  // namespace MediaPlayer2
