#pragma once

#include <QTemporaryDir>

#include <string>

namespace testsupport {

/// A temporary folder that test files are written into; removed with everything in it.
class TextFiles {
public:
    /// Writes text to name (which may hold sub-folders) and returns the full path.
    std::string write(const std::string& name, const std::string& text);
    /// The full path that name would have in the folder, whether or not it exists.
    std::string path(const std::string& name) const;

private:
    QTemporaryDir dir_;
};

}  // namespace testsupport
