#include "support/FuzzSupport.h"

#include "orvNotify/Notify.h"

#include <QDir>
#include <QFile>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

namespace {

// The most verbose severity, so that every message is formatted.
constexpr int ALL_SEVERITIES = 7;

// Where the parts after the main file go, in order.
const std::array<const char*, 2> OTHER_PARTS = {"1.tmd", "sub/2.tmd"};

}  // namespace

void checkFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

NotifySink::NotifySink()
{
    orvNotify::setNotifyLevel(ALL_SEVERITIES);
    orvNotify::setNotifyStream(&stream_);
}

NotifySink::~NotifySink()
{
    orvNotify::setNotifyStream(nullptr);
}

void NotifySink::clear()
{
    stream_.str(std::string());
    stream_.clear();
}

InputFiles::InputFiles()
{
    FUZZ_CHECK(folder_.isValid());
    QDir folder(folder_.path());
    FUZZ_CHECK(folder.mkpath(FALLBACK_FOLDER));
    FUZZ_CHECK(folder.mkpath("dir.tmd"));
    FUZZ_CHECK(QFile::link("loop.tmd", folder.filePath("loop.tmd")));
}

std::string InputFiles::writeDescriptionFiles(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string separator(FILE_SEPARATOR);
    std::string::size_type end = input.find(separator);
    writeFile_(MAIN_FILE, input.substr(0, end));
    for (const char* part : OTHER_PARTS) {
        // A part that the input does not hold is no file at all, not an empty one.
        if (end == std::string::npos) {
            QFile::remove(QString::fromStdString(path(part)));
            continue;
        }
        const std::string::size_type start = end + separator.size();
        end = input.find(separator, start);
        writeFile_(part, input.substr(start, end == std::string::npos ? std::string::npos : end - start));
    }
    return path(MAIN_FILE);
}

std::string InputFiles::writeSingleFile(const std::uint8_t* data, std::size_t size)
{
    const char* const name = "input";
    writeFile_(name, std::string(reinterpret_cast<const char*>(data), size));
    return path(name);
}

std::string InputFiles::path(const std::string& name) const
{
    return QDir(folder_.path()).filePath(QString::fromStdString(name)).toStdString();
}

void InputFiles::writeFile_(const std::string& name, const std::string& contents) const
{
    QFile file(QString::fromStdString(path(name)));
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(contents.data(), static_cast<qint64>(contents.size()))
               == static_cast<qint64>(contents.size()));
}

}  // namespace fuzzsupport
