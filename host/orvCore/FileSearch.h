#pragma once

#include <string>
#include <vector>

namespace orvCore {

/// Finds a file by name in a list of directories. Hosts may derive to search elsewhere.
class FileSearch {
public:
    enum SearchFileType { ANY_FILE = 0, DATA_FILE = 1, IMAGE_FILE = 2, LIBRARY_FILE = 3 };

    FileSearch() = default;
    explicit FileSearch(std::vector<std::string> directories);
    virtual ~FileSearch();

    void addDirectory(const std::string& directory);
    const std::vector<std::string>& directories() const { return directories_; }

    /// The full path of the first regular file called fileName (which may hold sub-folders) in
    /// the directories, in order, made absolute; fileName itself when it is an existing absolute path;
    /// else "". This search looks in the same directories for every type.
    virtual std::string findFile(const std::string& fileName, SearchFileType type);

private:
    std::vector<std::string> directories_;
};

}  // namespace orvCore
