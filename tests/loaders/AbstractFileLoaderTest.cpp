#include "loaders/AbstractFileLoader.h"

#include "support/NotifyCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using MediaPlayer2::AbstractFileLoader;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Tokens = std::vector<std::string>;

struct Line {
    std::size_t number;
    Tokens tokens;
};

/// Records every line it is handed. A line whose first token is "reject" is rejected with the
/// count given as its second token, so tests can check how results add up.
class RecordingLoader : public AbstractFileLoader {
public:
    std::vector<Line> lines;

    std::string resolve(const std::string& path) const { return resolvePath_(path); }

private:
    int processTokens_(std::size_t lineNumber, const Tokens& tokens) override
    {
        lines.push_back({lineNumber, tokens});
        if (tokens[0] == "reject")
            return std::stoi(tokens.at(1));
        return 0;
    }
};

/// Counts the lookups made through it and answers them as a real search over its directories.
class CountingFileSearch : public orvCore::FileSearch {
public:
    using orvCore::FileSearch::FileSearch;
    std::vector<std::pair<std::string, SearchFileType>> requests;

    std::string findFile(const std::string& fileName, SearchFileType type) override
    {
        requests.emplace_back(fileName, type);
        return orvCore::FileSearch::findFile(fileName, type);
    }
};

std::string writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    return path.toStdString();
}

class AbstractFileLoaderTest : public ::testing::Test {
protected:
    std::string write(const QString& name, const QByteArray& content)
    {
        return writeFile(dir.filePath(name), content);
    }

    /// The tokens of the one line the loader passed on for content, or none.
    Tokens tokensOf(const QByteArray& content)
    {
        RecordingLoader loader;
        EXPECT_EQ(loader.loadFile(write("line.txt", content)), 0);
        EXPECT_LE(loader.lines.size(), 1u);
        return loader.lines.empty() ? Tokens{} : loader.lines.front().tokens;
    }

    std::string inDir(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    testsupport::NotifyCapture messages;
};

TEST_F(AbstractFileLoaderTest, FilesOfBlankAndCommentLinesGiveNoLines)
{
    for (const QByteArray& content : {QByteArray(), QByteArray("\n\n\n"), QByteArray(" \t \r\n\t\n"),
                                     QByteArray("# note\n  // note\n\t#\n//\n"), QByteArray("#no final newline")}) {
        SCOPED_TRACE(content.toStdString());
        RecordingLoader loader;
        EXPECT_EQ(loader.loadFile(write("blank.txt", content)), 0);
        EXPECT_THAT(loader.lines, IsEmpty());
    }
    EXPECT_EQ(messages.text(), "");
}

TEST_F(AbstractFileLoaderTest, TokensAreSeparatedByAnyWhiteSpaceAndLineEndingsAreDropped)
{
    EXPECT_THAT(tokensOf("Keyword value\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("  \tKeyword\t\t value  extra\t \n"), ElementsAre("Keyword", "value", "extra"));
    EXPECT_THAT(tokensOf("Keyword value\r\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("Keyword value"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("single"), ElementsAre("single"));
}

TEST_F(AbstractFileLoaderTest, QuotedTokensKeepWhiteSpaceAndLoseTheirQuotes)
{
    EXPECT_THAT(tokensOf("Keyword \"my file 2.mp4\"\n"), ElementsAre("Keyword", "my file 2.mp4"));
    EXPECT_THAT(tokensOf("Keyword 'my\tfile'\n"), ElementsAre("Keyword", "my\tfile"));
    EXPECT_THAT(tokensOf("Keyword \"it's\" 'say \"hi\"'\n"), ElementsAre("Keyword", "it's", "say \"hi\""));
    EXPECT_THAT(tokensOf("Keyword \"\"\n"), ElementsAre("Keyword", ""));
    // A quoted token ends at its closing quote even when no white space follows.
    EXPECT_THAT(tokensOf("\"a b\"c\n"), ElementsAre("a b", "c"));
    // A quote that is never closed runs to the end of the line and, unmatched, stays on the token.
    EXPECT_THAT(tokensOf("Keyword \"open ended # value\n"), ElementsAre("Keyword", "\"open ended # value"));
    // Quotes only count at the start of a token.
    EXPECT_THAT(tokensOf("Key\"word va\"lue\n"), ElementsAre("Key\"word", "va\"lue"));
}

TEST_F(AbstractFileLoaderTest, HashAndDoubleSlashStartCommentsOutsideQuotedTokens)
{
    EXPECT_THAT(tokensOf("Keyword value # note\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("Keyword value // note\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("#Keyword value\n"), IsEmpty());
    EXPECT_THAT(tokensOf("//Keyword value\n"), IsEmpty());
    EXPECT_THAT(tokensOf("Keyword value#note more\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("Keyword value//note\n"), ElementsAre("Keyword", "value"));
    EXPECT_THAT(tokensOf("Keyword#value\n"), ElementsAre("Keyword"));
    // The earlier of the two comment starts wins.
    EXPECT_THAT(tokensOf("Keyword a//b#c\n"), ElementsAre("Keyword", "a"));
    EXPECT_THAT(tokensOf("Keyword a#b//c\n"), ElementsAre("Keyword", "a"));
    // A single slash is no comment.
    EXPECT_THAT(tokensOf("Keyword dir/file.mp4\n"), ElementsAre("Keyword", "dir/file.mp4"));
    // Unquoted URLs are cut; quoted ones survive.
    EXPECT_THAT(tokensOf("Keyword http://host/clip.mp4\n"), ElementsAre("Keyword", "http:"));
    EXPECT_THAT(tokensOf("Keyword \"http://host/clip.mp4\"\n"), ElementsAre("Keyword", "http://host/clip.mp4"));
    EXPECT_THAT(tokensOf("Keyword \"my file # 2.mp4\"\n"), ElementsAre("Keyword", "my file # 2.mp4"));
    EXPECT_THAT(tokensOf("Keyword 'a // b' # \"quoted note\"\n"), ElementsAre("Keyword", "a // b"));
    // A quote inside a token protects nothing: the token ends at white space, the comment at "#".
    EXPECT_THAT(tokensOf("Keyword va\"lue more # \"note\"\n"), ElementsAre("Keyword", "va\"lue", "more"));
    EXPECT_THAT(tokensOf("Keyword va\"l#ue\"\n"), ElementsAre("Keyword", "va\"l"));
}

TEST_F(AbstractFileLoaderTest, LineNumbersCountBlankAndCommentLines)
{
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile(write("numbers.txt", "\n# note\r\nFirst 1\r\n\r\n  \t\nSecond 2 # note\n//\nThird")), 0);
    ASSERT_EQ(loader.lines.size(), 3u);
    EXPECT_EQ(loader.lines[0].number, 3u);
    EXPECT_THAT(loader.lines[0].tokens, ElementsAre("First", "1"));
    EXPECT_EQ(loader.lines[1].number, 6u);
    EXPECT_THAT(loader.lines[1].tokens, ElementsAre("Second", "2"));
    EXPECT_EQ(loader.lines[2].number, 8u);
    EXPECT_THAT(loader.lines[2].tokens, ElementsAre("Third"));
}

TEST_F(AbstractFileLoaderTest, ResultIsTheSumOfRejectionsAndEveryLineIsRead)
{
    RecordingLoader loader;
    const std::string file = write("ten.txt",
                                   "a\nb\nreject 1\nc\nd\ne\nreject 1\nf\ng\nh\n");
    EXPECT_EQ(loader.loadFile(file), 2);
    EXPECT_EQ(loader.lines.size(), 10u);
    EXPECT_EQ(loader.lines.back().number, 10u);

    RecordingLoader counting;
    EXPECT_EQ(counting.loadFile(write("counts.txt", "reject 3\nok\nreject 2\n")), 5);
    EXPECT_EQ(counting.lines.size(), 3u);
}

TEST_F(AbstractFileLoaderTest, UnopenableFileReturnsOneWithItsMessageAndKeepsTheDirectory)
{
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile(write("first/list.txt", "ok\n")), 0);
    write("first/media.mp4", "x");
    messages.clear();

    const std::string missing = inDir("second/missing.txt");
    EXPECT_EQ(loader.loadFile(missing), 1);
    EXPECT_EQ(messages.text(), "Unable to open file: " + missing + "\n");
    EXPECT_EQ(loader.resolve("media.mp4"), inDir("first/media.mp4"));

    // A directory is no file to read.
    messages.clear();
    QDir(dir.path()).mkdir("second");
    EXPECT_EQ(loader.loadFile(inDir("second")), 1);
    EXPECT_EQ(messages.text(), "Unable to open file: " + inDir("second") + "\n");

    messages.clear();
    EXPECT_EQ(loader.loadFile(""), 1);
    EXPECT_EQ(messages.text(), "Unable to open file: \n");

    EXPECT_EQ(loader.lines.size(), 1u);
    EXPECT_EQ(loader.resolve("media.mp4"), inDir("first/media.mp4"));
}

TEST_F(AbstractFileLoaderTest, UnopenableFileIsCountedEvenWhenErrorsAreNotShown)
{
    testsupport::NotifyCapture quiet(1);
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile(inDir("missing.txt")), 1);
    EXPECT_EQ(quiet.text(), "");
}

TEST_F(AbstractFileLoaderTest, NamesResolveBesideTheLoadedFileFirst)
{
    CountingFileSearch fallback({inDir("fallback")});
    write("fallback/clip.mp4", "elsewhere");
    write("list/clip.mp4", "beside");
    write("list/sub/deep.mp4", "beside");
    write("fallback/only-there.mp4", "elsewhere");
    write("other/absolute.mp4", "x");

    RecordingLoader loader;
    loader.setFallbackFileSearch(&fallback);
    EXPECT_EQ(loader.fallbackFileSearch(), &fallback);
    ASSERT_EQ(loader.loadFile(write("list/list.txt", "")), 0);

    EXPECT_EQ(loader.resolve("clip.mp4"), inDir("list/clip.mp4"));
    EXPECT_EQ(loader.resolve("sub/deep.mp4"), inDir("list/sub/deep.mp4"));
    EXPECT_EQ(loader.resolve("sub"), inDir("list/sub"));
    // Dot segments stay as written.
    EXPECT_EQ(loader.resolve("../other/absolute.mp4"), inDir("list/../other/absolute.mp4"));
    EXPECT_EQ(loader.resolve(inDir("other/absolute.mp4")), inDir("other/absolute.mp4"));
    EXPECT_THAT(fallback.requests, IsEmpty());

    // Not beside the file: the fallback search gets the name as written, as a data file.
    EXPECT_EQ(loader.resolve("only-there.mp4"), inDir("fallback/only-there.mp4"));
    ASSERT_EQ(fallback.requests.size(), 1u);
    EXPECT_EQ(fallback.requests[0].first, "only-there.mp4");
    EXPECT_EQ(fallback.requests[0].second, orvCore::FileSearch::DATA_FILE);

    // Found nowhere: the place beside the loaded file, without a message.
    EXPECT_EQ(loader.resolve("nowhere.mp4"), inDir("list/nowhere.mp4"));
    EXPECT_EQ(fallback.requests.size(), 2u);
    EXPECT_EQ(loader.resolve(inDir("gone/absolute.mp4")), inDir("gone/absolute.mp4"));
    EXPECT_EQ(messages.text(), "");
}

TEST_F(AbstractFileLoaderTest, NamesResolveBesideTheLoadedFileWithoutFallbackSearch)
{
    write("fallback/only-there.mp4", "elsewhere");
    RecordingLoader loader;
    EXPECT_EQ(loader.fallbackFileSearch(), nullptr);
    ASSERT_EQ(loader.loadFile(write("list/list.txt", "")), 0);
    EXPECT_EQ(loader.resolve("only-there.mp4"), inDir("list/only-there.mp4"));
}

TEST_F(AbstractFileLoaderTest, RelativeFileNamesResolveAgainstTheCurrentDirectory)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    write("rel/list.txt", "");
    write("rel/clip.mp4", "x");

    RecordingLoader fresh;
    EXPECT_EQ(fresh.resolve("rel/clip.mp4"), inDir("rel/clip.mp4"));

    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile("rel/list.txt"), 0);
    EXPECT_EQ(loader.resolve("clip.mp4"), inDir("rel/clip.mp4"));
    EXPECT_EQ(loader.resolve("missing.mp4"), inDir("rel/missing.mp4"));
    QDir::setCurrent(previous);
}

TEST_F(AbstractFileLoaderTest, Utf8NamesAndByteOrderMarksAreRead)
{
    if (QTextCodec::codecForLocale()->mibEnum() != QTextCodec::codecForName("UTF-8")->mibEnum())
        GTEST_SKIP() << "the locale does not use UTF-8";
    RecordingLoader loader;
    const std::string file = write(QString::fromUtf8("d\xC3\xA9j\xC3\xA0/list.txt"),
                                   "\xEF\xBB\xBF" "Keyword \"caf\xC3\xA9 cr\xC3\xA8me.mp4\"\r\n");
    EXPECT_EQ(loader.loadFile(file), 0);
    ASSERT_EQ(loader.lines.size(), 1u);
    EXPECT_THAT(loader.lines[0].tokens, ElementsAre("Keyword", "caf\xC3\xA9 cr\xC3\xA8me.mp4"));
    EXPECT_EQ(loader.resolve("x.mp4"), inDir(QString::fromUtf8("d\xC3\xA9j\xC3\xA0/x.mp4")));
}

}  // namespace
