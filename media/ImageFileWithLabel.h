#pragma once

#include "media/ImageFile.h"

class QLabel;

namespace MediaPlayer2 {

/// A still image shown in a QLabel that its user provides and keeps owning.
class ImageFileWithLabel : public ImageFile {
    Q_OBJECT

public:
    explicit ImageFileWithLabel(QObject* parent = nullptr);
    ~ImageFileWithLabel() override;

    /// The label must outlive this media file or be replaced before it goes.
    void setImageOutput(QLabel* label);

    /// The label, titled with the file's name; null until a label is set.
    QWidget* outputWidget() const override;
    osg::Node* outputNode() const override;

public slots:
    /// Puts the picture into the label (an empty one before a successful load).
    void show() override;

private:
    QLabel* label_ = nullptr;
};

}  // namespace MediaPlayer2
