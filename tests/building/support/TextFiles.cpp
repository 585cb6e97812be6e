#include "support/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace testsupport {

std::string TextFiles::write(const std::string& name, const std::string& text)
{
    const QString fullPath = QString::fromStdString(path(name));
    QDir().mkpath(QFileInfo(fullPath).path());
    QFile file(fullPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()))
        throw std::runtime_error("cannot write test file " + fullPath.toStdString());
    return fullPath.toStdString();
}

std::string TextFiles::path(const std::string& name) const
{
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

}  // namespace testsupport
