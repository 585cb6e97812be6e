#pragma once

#include <QGLFunctions>

class QGLContext;

namespace FFmpeg {

// The OpenGL entry points the video widget calls through its context: those of QGLFunctions,
// plus the vertex-array calls that QGLFunctions lacks. A core-profile context needs a bound vertex
// array to draw, but drivers that do not offer one still draw without; so a vertex-array entry
// point that the context does not know stays null and its calls are skipped.
class GlFunctions : public QGLFunctions
{
public:
    explicit GlFunctions(const QGLContext* context);

    void genVertexArrays(GLsizei count, GLuint* arrays);
    void bindVertexArray(GLuint array);
    void deleteVertexArrays(GLsizei count, const GLuint* arrays);

private:
    PFNGLGENVERTEXARRAYSPROC genVertexArrays_;
    PFNGLBINDVERTEXARRAYPROC bindVertexArray_;
    PFNGLDELETEVERTEXARRAYSPROC deleteVertexArrays_;
};

} // namespace FFmpeg
