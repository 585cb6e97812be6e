#include "support/TextureUploadCounter.h"

#include <qopengl.h>

#include <dlfcn.h>

#include <atomic>

namespace {

// Only the GUI thread draws, but the driver may call back from its own threads.
std::atomic<int> definitionCount{0};
std::atomic<int> updateCount{0};

template <typename EntryPoint>
EntryPoint nextDefinitionOf(const char* name)
{
    return reinterpret_cast<EntryPoint>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The library under test calls these by name; the executable's definitions come first in the
// dynamic linker's search, and the driver's are the next ones.
extern "C" {

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    static const auto driver = nextDefinitionOf<decltype(&glTexImage2D)>("glTexImage2D");
    ++definitionCount;
    driver(target, level, internalFormat, width, height, border, format, type, pixels);
}

void glTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLsizei width,
                     GLsizei height, GLenum format, GLenum type, const GLvoid* pixels)
{
    static const auto driver = nextDefinitionOf<decltype(&glTexSubImage2D)>("glTexSubImage2D");
    ++updateCount;
    driver(target, level, xOffset, yOffset, width, height, format, type, pixels);
}

} // extern "C"

TextureUploadCounter::TextureUploadCounter()
    : definitionsAtStart_(definitionCount), updatesAtStart_(updateCount)
{
}

int TextureUploadCounter::definitions() const
{
    return definitionCount - definitionsAtStart_;
}

int TextureUploadCounter::updates() const
{
    return updateCount - updatesAtStart_;
}

int TextureUploadCounter::uploads() const
{
    return definitions() + updates();
}
