#include "support/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

std::string TextFiles::write(const std::string& name, const std::string& text)
{
    const QString file = QString::fromStdString(path(name));
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(text.data(), static_cast<qint64>(text.size()));
    return file.toStdString();
}

std::string TextFiles::path(const std::string& name) const
{
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

}  // namespace testsupport
