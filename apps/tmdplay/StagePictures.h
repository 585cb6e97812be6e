#pragma once

#include "ScenePictures.h"

#include <QImage>

#include <osg/Camera>
#include <osg/observer_ptr>

#include <vector>

/// Reads, in a screenshot of the 3-D scene, the frame number of the picture each item shows, where
/// the camera put it in perspective: what the viewer saw, not what the media wrote.
class StagePictures {
public:
    explicit StagePictures(osg::Camera* camera);

    void add(osg::Switch* node) { items_.emplace_back(node); }
    bool isEmpty() const { return items_.empty(); }
    /// One per item in the order added; -1 where no stamped picture is shown.
    std::vector<int> framesIn(const QImage& screenshot) const;

private:
    int frameOf_(const ScenePictures& item, const QImage& screenshot) const;

    osg::observer_ptr<osg::Camera> camera_;
    std::vector<ScenePictures> items_;
};
