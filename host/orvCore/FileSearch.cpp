#include "orvCore/FileSearch.h"

#include <filesystem>
#include <system_error>

namespace orvCore {

namespace {

bool isRegularFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

FileSearch::FileSearch(std::vector<std::string> directories)
    : directories_(std::move(directories))
{
}

FileSearch::~FileSearch() = default;

void FileSearch::addDirectory(const std::string& directory)
{
    directories_.push_back(directory);
}

std::string FileSearch::findFile(const std::string& fileName, SearchFileType)
{
    if (fileName.empty())
        return {};
    const std::filesystem::path name(fileName);
    if (name.is_absolute())
        return isRegularFile(name) ? fileName : std::string();
    for (const std::string& directory : directories_) {
        const std::filesystem::path candidate = std::filesystem::path(directory) / name;
        if (isRegularFile(candidate)) {
            std::error_code error;
            const std::filesystem::path full = std::filesystem::absolute(candidate, error);
            return (error ? candidate : full).lexically_normal().string();
        }
    }
    return {};
}

}  // namespace orvCore
