#pragma once

#include "orvCore/FileSearch.h"
#include "orvCore/Time.h"
#include "orvCore/TimeFormatter.h"

#include <QDir>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace MediaPlayer2 {

/// Reads a text file of one command per line: splits every line into white-space separated tokens
/// (a token that begins with a quote runs to its closing quote), drops comments ("#" or "//"
/// outside quoted tokens), removes the enclosing quotes and hands every line that still has tokens
/// to the subclass. Never stops at a bad line; the caller decides what rejected lines mean.
/// One loader serves one load, on one thread.
class AbstractFileLoader {
public:
    AbstractFileLoader();
    virtual ~AbstractFileLoader();

    AbstractFileLoader(const AbstractFileLoader&) = delete;
    AbstractFileLoader& operator=(const AbstractFileLoader&) = delete;

    /// 0 when every line was accepted, else the sum of what processTokens_ returned;
    /// 1 when the file cannot be opened.
    int loadFile(const std::string& fileName);

    /// Where names that are not beside the loaded file are looked for. Not owned: the search must
    /// outlive the loader. Set it before loadFile.
    void setFallbackFileSearch(orvCore::FileSearch* search);
    orvCore::FileSearch* fallbackFileSearch() const;

protected:
    /// What processTokens_ returns for a rejected line.
    static constexpr int REJECTED_LINE = 1;

    /// Called once for every line with at least one token, with its 1-based physical line number.
    /// Returns 0 when the line is accepted, else a positive count, after reporting why.
    virtual int processTokens_(std::size_t lineNumber, const std::vector<std::string>& tokens) = 0;

    /// The full path of a file named in the loaded file: beside the loaded file when it exists
    /// there (or the path itself when absolute), else what the fallback search finds, else the
    /// path beside the loaded file even though nothing is there.
    std::string resolvePath_(const std::string& path) const;

    /// 0 with time set when token is a time string; years are taken from referenceYear for forms
    /// that carry none.
    int parseTimeToken_(const std::string& token, orvCore::TimeStamp& time, int referenceYear) const;

    /// Every message of the loaders is an error: a fixed text, the offending value, sometimes a
    /// fixed explanation after it, and an end of line.
    static void reportError_(const std::string& text, const std::string& value, const char* after = "");
    /// Reports the error and returns REJECTED_LINE, for processTokens_ to pass on.
    static int rejectLine_(const std::string& text, const std::string& value, const char* after = "");

private:
    static std::vector<std::string> splitTokens_(const std::string& line);
    static void stripComment_(std::vector<std::string>& tokens);

    std::unique_ptr<QDir> directory_;
    std::unique_ptr<orvCore::TimeFormatterRegistry> timeFormatter_;
    orvCore::FileSearch* fallbackFileSearch_ = nullptr;
};

}  // namespace MediaPlayer2
