#pragma once

// Counts the texture uploads made through OpenGL since the counter was made, telling a texture
// defined anew (glTexImage2D) from one updated in place (glTexSubImage2D). The test binary
// interposes both calls and hands each on to the real driver, so pictures are drawn as usual.
class TextureUploadCounter
{
public:
    TextureUploadCounter();

    int definitions() const;
    int updates() const;
    int uploads() const;

private:
    int definitionsAtStart_;
    int updatesAtStart_;
};
