#include "loaders/AbstractFileLoader.h"

#include "support/NotifyCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using MediaPlayer2::AbstractFileLoader;
using Tokens = std::vector<std::string>;

/// Records every line it is handed. A line whose first token is "reject" is rejected with the
/// count given as its second token, so tests can check how results add up.
class RecordingLoader : public AbstractFileLoader {
public:
    std::vector<std::pair<std::size_t, Tokens>> lines;

    std::string resolve(const std::string& path) const { return resolvePath_(path); }

private:
    int processTokens_(std::size_t lineNumber, const Tokens& tokens) override
    {
        lines.emplace_back(lineNumber, tokens);
        return tokens[0] == "reject" ? std::stoi(tokens.at(1)) : 0;
    }
};

class AbstractFileLoaderTest : public ::testing::Test {
protected:
    std::string write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(content);
        return path.toStdString();
    }

    std::string inDir(const QString& name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    testsupport::NotifyCapture messages;
};

TEST_F(AbstractFileLoaderTest, SplitsLinesIntoTokensHonouringQuotesAndComments)
{
    const std::vector<std::pair<QByteArray, Tokens>> cases = {
        {" \t \r\n# note\n  // note\n", {}},
        {"  \tKeyword\t\t value  extra\t \r\n", {"Keyword", "value", "extra"}},
        // Quoted tokens keep white space and lose their quotes; one ends at its closing quote.
        {"Keyword \"my file 2.mp4\" 'my\tfile'", {"Keyword", "my file 2.mp4", "my\tfile"}},
        {"Keyword \"it's\" 'say \"hi\"' \"\"", {"Keyword", "it's", "say \"hi\"", ""}},
        {"\"a b\"c\n", {"a b", "c"}},
        {"Keyword \"open ended # value\n", {"Keyword", "\"open ended # value"}},
        {"Key\"word va\"lue\n", {"Key\"word", "va\"lue"}},  // quotes count only at a token's start
        // "#" and "//" start comments outside quoted tokens, the earlier one winning.
        {"Keyword#value\n", {"Keyword"}},
        {"Keyword a//b#c\n", {"Keyword", "a"}},
        {"Keyword a#b//c\n", {"Keyword", "a"}},
        {"Keyword http://host/clip.mp4\n", {"Keyword", "http:"}},
        {"Keyword 'a // b' # \"quoted note\"\n", {"Keyword", "a // b"}},
        {"Keyword va\"l#ue\"\n", {"Keyword", "va\"l"}},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content.toStdString());
        RecordingLoader loader;
        EXPECT_EQ(loader.loadFile(write("line.txt", content)), 0);
        EXPECT_EQ(loader.lines.empty() ? Tokens{} : loader.lines.front().second, expected);
        EXPECT_LE(loader.lines.size(), 1u);
    }
    EXPECT_EQ(messages.text(), "");
}

TEST_F(AbstractFileLoaderTest, CountsLinesIncludingBlankOnesAndSumsRejections)
{
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile(write("numbers.txt", "\n# note\r\nFirst 1\r\n\r\n  \t\nreject 3 # note\n//\nreject 2")), 5);
    EXPECT_EQ(loader.lines, (std::vector<std::pair<std::size_t, Tokens>>{
                                {3, {"First", "1"}}, {6, {"reject", "3"}}, {8, {"reject", "2"}}}));
}

TEST_F(AbstractFileLoaderTest, UnopenableFileReturnsOneWithItsMessageAndKeepsTheDirectory)
{
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile(write("first/list.txt", "ok\n")), 0);
    write("first/media.mp4", "x");
    QDir(dir.path()).mkdir("second");
    for (const std::string& unopenable : {inDir("second/missing.txt"), inDir("second"), std::string()}) {
        messages.clear();
        EXPECT_EQ(loader.loadFile(unopenable), 1);
        EXPECT_EQ(messages.text(), "Unable to open file: " + unopenable + "\n");
    }
    EXPECT_EQ(loader.lines.size(), 1u);
    EXPECT_EQ(loader.resolve("media.mp4"), inDir("first/media.mp4"));

    testsupport::NotifyCapture quiet(1);
    EXPECT_EQ(loader.loadFile(inDir("missing.txt")), 1);  // counted even when errors are not shown
    EXPECT_EQ(quiet.text(), "");
}

TEST_F(AbstractFileLoaderTest, NamesResolveBesideTheLoadedFileThenThroughTheFallbackSearch)
{
    orvCore::FileSearch fallback({inDir("fallback")});
    write("fallback/clip.mp4", "elsewhere");
    write("fallback/only-there.mp4", "elsewhere");
    write("list/clip.mp4", "beside");
    write("other/absolute.mp4", "x");

    RecordingLoader unsearched;
    ASSERT_EQ(unsearched.loadFile(write("list/list.txt", "")), 0);
    EXPECT_EQ(unsearched.resolve("only-there.mp4"), inDir("list/only-there.mp4"));

    RecordingLoader loader;
    loader.setFallbackFileSearch(&fallback);
    ASSERT_EQ(loader.loadFile(inDir("list/list.txt")), 0);
    EXPECT_EQ(loader.resolve("clip.mp4"), inDir("list/clip.mp4"));
    EXPECT_EQ(loader.resolve("../other/absolute.mp4"), inDir("list/../other/absolute.mp4"));  // as written
    EXPECT_EQ(loader.resolve(inDir("other/absolute.mp4")), inDir("other/absolute.mp4"));
    EXPECT_EQ(loader.resolve("only-there.mp4"), inDir("fallback/only-there.mp4"));
    // Found nowhere: the place beside the loaded file, without a message.
    EXPECT_EQ(loader.resolve("nowhere.mp4"), inDir("list/nowhere.mp4"));
    EXPECT_EQ(loader.resolve(inDir("gone/absolute.mp4")), inDir("gone/absolute.mp4"));
    EXPECT_EQ(messages.text(), "");
}

TEST_F(AbstractFileLoaderTest, RelativeFileNamesResolveAgainstTheCurrentDirectory)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    write("rel/list.txt", "");
    write("rel/clip.mp4", "x");
    EXPECT_EQ(RecordingLoader().resolve("rel/clip.mp4"), inDir("rel/clip.mp4"));
    RecordingLoader loader;
    EXPECT_EQ(loader.loadFile("rel/list.txt"), 0);
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
    EXPECT_EQ(loader.lines[0].second, (Tokens{"Keyword", "caf\xC3\xA9 cr\xC3\xA8me.mp4"}));
    EXPECT_EQ(loader.resolve("x.mp4"), inDir(QString::fromUtf8("d\xC3\xA9j\xC3\xA0/x.mp4")));
}

}  // namespace
