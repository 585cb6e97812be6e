#pragma once

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

/// Stops the run with the failed condition named, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::fuzzsupport::checkFailed(#condition, __FILE__, __LINE__))

namespace fuzzsupport {

[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

/// Takes every notification at every severity into a buffer that each input empties, so that the
/// messages are formatted (that code runs too) without flooding the fuzzer's output.
class NotifySink {
public:
    NotifySink();
    ~NotifySink();
    NotifySink(const NotifySink&) = delete;
    NotifySink& operator=(const NotifySink&) = delete;

    void clear();

private:
    std::ostringstream stream_;
};

/// One folder per fuzzer process for the files an input becomes. Only the files of the present
/// input exist in it, so every input runs the same whatever ran before.
///
/// A description-file input may hold several files, separated by lines of FILE_SEPARATOR:
///   part 0  MAIN_FILE       the file that is loaded
///   part 1  "1.tmd"         beside it
///   part 2  "sub/2.tmd"     in a folder that only the fallback search looks in
/// Besides these, "dir.tmd" is a folder and "loop.tmd" a symbolic link to itself, so lines naming
/// them reach the loaders' open failures. The main file's own name lets a playlist name itself.
class InputFiles {
public:
    static constexpr const char* FILE_SEPARATOR = "\n%%\n";
    static constexpr const char* MAIN_FILE = "0.tmd";
    static constexpr const char* FALLBACK_FOLDER = "sub";

    InputFiles();

    /// Splits data into its parts and writes them; returns the main file's path.
    std::string writeDescriptionFiles(const std::uint8_t* data, std::size_t size);
    /// Writes data unchanged to one file (named without an extension, so that only its contents
    /// tell what it is); returns its path.
    std::string writeSingleFile(const std::uint8_t* data, std::size_t size);

    std::string path(const std::string& name) const;

private:
    void writeFile_(const std::string& name, const std::string& contents) const;

    QTemporaryDir folder_;
};

}  // namespace fuzzsupport
