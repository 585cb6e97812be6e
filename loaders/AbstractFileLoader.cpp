#include "loaders/AbstractFileLoader.h"

#include "orvCore/String.h"
#include "orvNotify/Notify.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace MediaPlayer2 {

namespace {

constexpr int ERROR_SEVERITY = 2;

// The search type the host uses for data files such as media named in description files.
constexpr orvCore::FileSearch::SearchFileType NAMED_FILE_SEARCH_TYPE = orvCore::FileSearch::DATA_FILE;

bool isQuoted(const std::string& token)
{
    return !token.empty() && (token.front() == '"' || token.front() == '\'');
}

}  // namespace

AbstractFileLoader::AbstractFileLoader()
    : directory_(std::make_unique<QDir>(QString()))
    , timeFormatter_(std::make_unique<orvCore::TimeFormatterRegistry>(false))
{
}

AbstractFileLoader::~AbstractFileLoader() = default;

int AbstractFileLoader::loadFile(const std::string& fileName)
{
    QFile file(QString::fromUtf8(fileName.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        reportError_("Unable to open file: ", fileName);
        return 1;
    }
    // From here on, names written in the file are relative to the file itself.
    *directory_ = QFileInfo(file.fileName()).dir();

    // No codec is set: the stream decodes with the locale's codec and honours a byte-order mark.
    QTextStream stream(&file);
    std::size_t lineNumber = 0;
    int rejected = 0;
    while (!stream.atEnd()) {
        const std::string line = stream.readLine().toStdString();
        ++lineNumber;
        std::vector<std::string> tokens = splitTokens_(line);
        stripComment_(tokens);
        std::transform(tokens.begin(), tokens.end(), tokens.begin(), orvCore::removeQuotes);
        if (!tokens.empty())
            rejected += processTokens_(lineNumber, tokens);
    }
    return rejected;
}

void AbstractFileLoader::setFallbackFileSearch(orvCore::FileSearch* search)
{
    fallbackFileSearch_ = search;
}

orvCore::FileSearch* AbstractFileLoader::fallbackFileSearch() const
{
    return fallbackFileSearch_;
}

std::string AbstractFileLoader::resolvePath_(const std::string& path) const
{
    const QString absolute = directory_->absoluteFilePath(QString::fromStdString(path));
    if (QFileInfo::exists(absolute))
        return absolute.toStdString();
    if (fallbackFileSearch_) {
        std::string found = fallbackFileSearch_->findFile(path, NAMED_FILE_SEARCH_TYPE);
        if (!found.empty())
            return found;
    }
    // A missing file is the business of whoever opens it; the path beside the loaded file says
    // best where it was expected.
    return absolute.toStdString();
}

int AbstractFileLoader::parseTimeToken_(const std::string& token, orvCore::TimeStamp& time,
                                        int referenceYear) const
{
    return timeFormatter_->fromString(token, time, referenceYear);
}

void AbstractFileLoader::reportError_(const std::string& text, const std::string& value, const char* after)
{
    if (orvNotify::isNotifyEnabled(ERROR_SEVERITY))
        orvNotify::notify(ERROR_SEVERITY) << text << value << after << std::endl;
}

int AbstractFileLoader::rejectLine_(const std::string& text, const std::string& value, const char* after)
{
    reportError_(text, value, after);
    return REJECTED_LINE;
}

std::vector<std::string> AbstractFileLoader::splitTokens_(const std::string& line)
{
    std::vector<std::string> tokens;
    std::string::size_type start = line.find_first_not_of(orvCore::STR_WHITE_SPACE_CHARS);
    while (start != std::string::npos) {
        // A token that begins with a quote runs through its closing quote, white space and all.
        const std::string terminator = orvCore::getTerminateForStringPos(line, start);
        const std::string::size_type end = orvCore::getFirstCharPosAfterString(line, start + 1, terminator);
        if (end == std::string::npos) {
            tokens.push_back(line.substr(start));
            break;
        }
        tokens.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(orvCore::STR_WHITE_SPACE_CHARS, end);
    }
    return tokens;
}

void AbstractFileLoader::stripComment_(std::vector<std::string>& tokens)
{
    for (auto token = tokens.begin(); token != tokens.end(); ++token) {
        if (isQuoted(*token))
            continue;
        const std::string::size_type comment = std::min(token->find('#'), token->find("//"));
        if (comment == std::string::npos)
            continue;
        const auto firstDropped = comment == 0 ? token : std::next(token);
        token->resize(comment);
        tokens.erase(firstDropped, tokens.end());
        return;
    }
}

}  // namespace MediaPlayer2
