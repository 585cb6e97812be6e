#include "ffmpeg/GlFunctions.h"

#include <QGLContext>

namespace FFmpeg {

namespace {

template <typename EntryPoint>
EntryPoint lookUp(const QGLContext* context, const char* name)
{
    return reinterpret_cast<EntryPoint>(context->getProcAddress(QString::fromLatin1(name)));
}

} // namespace

GlFunctions::GlFunctions(const QGLContext* context)
    : QGLFunctions(context),
      genVertexArrays_(lookUp<PFNGLGENVERTEXARRAYSPROC>(context, "glGenVertexArrays")),
      bindVertexArray_(lookUp<PFNGLBINDVERTEXARRAYPROC>(context, "glBindVertexArray")),
      deleteVertexArrays_(lookUp<PFNGLDELETEVERTEXARRAYSPROC>(context, "glDeleteVertexArrays"))
{
}

void GlFunctions::genVertexArrays(GLsizei count, GLuint* arrays)
{
    if (genVertexArrays_)
        genVertexArrays_(count, arrays);
}

void GlFunctions::bindVertexArray(GLuint array)
{
    if (bindVertexArray_)
        bindVertexArray_(array);
}

void GlFunctions::deleteVertexArrays(GLsizei count, const GLuint* arrays)
{
    if (deleteVertexArrays_)
        deleteVertexArrays_(count, arrays);
}

} // namespace FFmpeg
