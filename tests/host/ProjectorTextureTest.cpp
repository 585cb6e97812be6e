#include "orvVis/ProjectorTexture.h"

#include <gtest/gtest.h>

TEST(ProjectorTexture, ItsTextureShowsTheImageSharedNotCopied)
{
    const osg::ref_ptr<orvVis::ProjectorTexture> projector = new orvVis::ProjectorTexture;
    ASSERT_NE(projector->texture(), nullptr);
    EXPECT_EQ(projector->image(), nullptr);

    const osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(320, 240, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    projector->setImage(image.get());
    EXPECT_EQ(projector->texture()->getImage(), image.get());
    EXPECT_EQ(projector->image(), image.get());
    EXPECT_EQ(image->referenceCount(), 2);

    projector->setImage(nullptr);
    EXPECT_EQ(projector->texture()->getImage(), nullptr);
    EXPECT_EQ(image->referenceCount(), 1);
}
