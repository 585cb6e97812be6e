#pragma once

#include <QTemporaryDir>

#include <string>

namespace testsupport {

/// A temporary folder for the files a test writes; removed with everything in it.
class TextFiles {
public:
    /// Writes text to name (which may hold sub-folders) and returns the full path.
    std::string write(const std::string& name, const std::string& text);
    std::string path(const std::string& name) const;

private:
    QTemporaryDir dir_;
};

}  // namespace testsupport
