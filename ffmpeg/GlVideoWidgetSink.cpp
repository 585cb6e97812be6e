#include "ffmpeg/GlVideoWidgetSink.h"

#include "ffmpeg/GlFunctions.h"
#include "ffmpeg/VideoTexture.h"

#include <cstdint>
#include <utility>

namespace FFmpeg {

namespace {

// The quad covering the whole viewport as a triangle strip, each vertex a position x, y, z and
// texture coordinates s, t. t runs from 0 at the top to 1 at the bottom, so the first row of the
// picture's memory is shown at the top.
constexpr GLfloat COORDINATES[] = {
    -1.0f, -1.0f, 0.0f, 0.0f, 1.0f,
    1.0f, -1.0f, 0.0f, 1.0f, 1.0f,
    -1.0f, 1.0f, 0.0f, 0.0f, 0.0f,
    1.0f, 1.0f, 0.0f, 1.0f, 0.0f,
};
constexpr int POSITION_COMPONENTS = 3;
constexpr int TEXTURE_COORDINATE_COMPONENTS = 2;
constexpr int FLOATS_PER_VERTEX = POSITION_COMPONENTS + TEXTURE_COORDINATE_COMPONENTS;
constexpr GLsizei VERTEX_COUNT = sizeof(COORDINATES) / sizeof(GLfloat) / FLOATS_PER_VERTEX;
constexpr GLsizei VERTEX_STRIDE = FLOATS_PER_VERTEX * sizeof(GLfloat);
static_assert(sizeof(COORDINATES) == 80, "four vertices of five floats");

const char* const VERT_SHADER = "#version 150\n"
                                "in vec3 vert;\n"
                                "in vec2 vertTexCoord;\n"
                                "out vec2 fragTexCoord;\n"
                                "void main() {\n"
                                "  fragTexCoord = vertTexCoord;\n"
                                "  gl_Position = vec4(vert, 1);\n"
                                "}";

const char* const FRAG_SHADER = "#version 150\n"
                                "uniform sampler2D tex;\n"
                                "in vec2 fragTexCoord;\n"
                                "out vec4 finalColor;\n"
                                "void main() {\n"
                                "  finalColor = texture(tex, fragTexCoord);\n"
                                "}";

// The texture unit the fragment shader samples.
constexpr GLint TEXTURE_UNIT = 0;

struct ClearColour {
    GLfloat red, green, blue, alpha;
};
constexpr ClearColour BLACK = {0.0f, 0.0f, 0.0f, 1.0f};
// Before the first picture: tells a window still waiting for video from one showing a dark picture.
constexpr ClearColour NO_PICTURE_YET = {0.0f, 0.0f, 0.5f, 1.0f};
// Behind a picture; the quad covers the whole window, so it shows only if drawing fails.
constexpr ClearColour BEHIND_PICTURE = {1.0f, 1.0f, 1.0f, 1.0f};

void setClearColour(const ClearColour& colour)
{
    glClearColor(colour.red, colour.green, colour.blue, colour.alpha);
}

GLuint compileShader(GlFunctions& gl, GLenum type, const char* source)
{
    const GLuint shader = gl.glCreateShader(type);
    gl.glShaderSource(shader, 1, &source, nullptr);
    gl.glCompileShader(shader);
    return shader;
}

} // namespace

QGLFormat getCoreProfileFormat()
{
    QGLFormat format = QGLFormat::defaultFormat();
    format.setVersion(3, 3);
    format.setProfile(QGLFormat::CoreProfile);
    return format;
}

GlVideoWidgetSink::GlVideoWidgetSink(QWidget* parent)
    : QGLWidget(getCoreProfileFormat(), parent), texture_(std::make_unique<VideoTexture>())
{
}

GlVideoWidgetSink::~GlVideoWidgetSink()
{
    // The texture belongs to the widget's context, which has to be current to delete it.
    if (glFunctions_)
        makeCurrent();
    texture_.reset();
    destoryGlStructures_();
}

void GlVideoWidgetSink::setFrame(std::shared_ptr<FFmpeg::Frame> frame)
{
    texture_->setFrame(std::move(frame));
    update();
}

void GlVideoWidgetSink::setImage(QSharedPointer<QImage> image)
{
    texture_->setImage(std::move(image));
    update();
}

void GlVideoWidgetSink::initializeGL()
{
    setClearColour(BLACK);
    glDisable(GL_DEPTH_TEST);
}

void GlVideoWidgetSink::resizeGL(int width, int height)
{
    glViewport(0, 0, width, height);
}

void GlVideoWidgetSink::paintGL()
{
    if (!glFunctions_)
        createGlStructures_();
    setClearColour(texture_->isValid() ? BEHIND_PICTURE : NO_PICTURE_YET);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    texture_->uploadPending();
    // Sampling without a texture gives black, which would cover the dark blue.
    if (!texture_->isValid())
        return;
    texture_->bind();
    glFunctions_->glUseProgram(program_);
    glFunctions_->bindVertexArray(vertexArray_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, VERTEX_COUNT);
    glFunctions_->bindVertexArray(0);
    glFunctions_->glUseProgram(0);
}

void GlVideoWidgetSink::createGlStructures_()
{
    glFunctions_ = std::make_unique<GlFunctions>(context());
    texture_->setGlFunctions(glFunctions_.get());

    // Compile and link status are not queried: the sources are fixed, and a driver that cannot
    // build them cannot show video in this widget anyway.
    vertexShader_ = compileShader(*glFunctions_, GL_VERTEX_SHADER, VERT_SHADER);
    fragmentShader_ = compileShader(*glFunctions_, GL_FRAGMENT_SHADER, FRAG_SHADER);
    program_ = glFunctions_->glCreateProgram();
    glFunctions_->glAttachShader(program_, vertexShader_);
    glFunctions_->glAttachShader(program_, fragmentShader_);
    glFunctions_->glLinkProgram(program_);
    glFunctions_->glUseProgram(program_);

    glFunctions_->genVertexArrays(1, &vertexArray_);
    glFunctions_->bindVertexArray(vertexArray_);
    glFunctions_->glGenBuffers(1, &vertexBuffer_);
    glFunctions_->glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glFunctions_->glBufferData(GL_ARRAY_BUFFER, sizeof(COORDINATES), COORDINATES, GL_STATIC_DRAW);
    bindAttribute_("vert", POSITION_COMPONENTS, 0);
    bindAttribute_("vertTexCoord", TEXTURE_COORDINATE_COMPONENTS, POSITION_COMPONENTS * sizeof(GLfloat));

    glFunctions_->glUniform1i(glFunctions_->glGetUniformLocation(program_, "tex"), TEXTURE_UNIT);

    glFunctions_->bindVertexArray(0);
    glFunctions_->glUseProgram(0);
}

void GlVideoWidgetSink::bindAttribute_(const char* name, int components, int byteOffset)
{
    const GLint location = glFunctions_->glGetAttribLocation(program_, name);
    if (location < 0)
        return;
    glFunctions_->glEnableVertexAttribArray(location);
    glFunctions_->glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, VERTEX_STRIDE,
                                        reinterpret_cast<const void*>(static_cast<std::uintptr_t>(byteOffset)));
}

void GlVideoWidgetSink::destoryGlStructures_()
{
    if (!glFunctions_)
        return;
    makeCurrent();
    glFunctions_->glDeleteBuffers(1, &vertexBuffer_);
    vertexBuffer_ = 0;
    glFunctions_->deleteVertexArrays(1, &vertexArray_);
    vertexArray_ = 0;
    glFunctions_->glDeleteProgram(program_);
    program_ = 0;
    glFunctions_->glDeleteShader(fragmentShader_);
    fragmentShader_ = 0;
    glFunctions_->glDeleteShader(vertexShader_);
    vertexShader_ = 0;
    glFunctions_.reset();
}

} // namespace FFmpeg
