// Generated TMD files of every kind of damage go through the loader, which must neither crash nor
// hang, and must report every rejected line exactly once.

#include "loaders/TmdBuilderAdapter.h"
#include "loaders/TmdFileLoader.h"

#include "support/NotifyCapture.h"

#include "orvCore/FileSearch.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

namespace {

using MediaPlayer2::TmdBuilderAdapter;
using MediaPlayer2::TmdFileLoader;

// Fixed so that a failure can be reproduced.
constexpr std::mt19937::result_type SEED = 0x7d3a2c19;
// Enough variety to reach every branch many times while the test stays within a few seconds.
constexpr int GENERATED_FILES = 3000;
constexpr int MAX_MUTATIONS = 12;
// Far beyond any real line, to catch work that grows badly with line length.
constexpr int MAX_LONG_LINE = 64 * 1024;
constexpr int MAX_RANDOM_BYTES = 2048;
constexpr int GENERATED_NAMES = 200;

const std::array<const char*, 4> VALID_FILES = {
    "MediaFileName clip.mp4\n",
    "# launch\nReferenceYear 2024\nMediaFileName \"media/clip one.mp4\" // note\n"
    "MediaStartTime 2026-03-14T12:30:05.25Z\nHandleRealtimeForwardCase false\nAllowableDelta 0.25\n",
    "mediastarttime 073:12:30:05\r\nMEDIAFILENAME 'a b.mp4'\r\nallowabledelta 0\r\n",
    "ReferenceYear 2001\n\n\tMediaStartTime 3600 # seconds\nHandleRealtimeForwardCase TRUE\n",
};

// Pieces that sit on the edges of the tokeniser, the number parsers and the time parser.
const std::array<QByteArray, 40> FRAGMENTS = {
    QByteArray("\""), QByteArray("'"), QByteArray("#"), QByteArray("//"), QByteArray("/"),
    QByteArray("\0", 1), QByteArray("\r"), QByteArray("\n"), QByteArray("\r\n"), QByteArray("\t"),
    QByteArray(" "), QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE"), QByteArray("\xC3"),
    QByteArray("\xED\xA0\x80"), QByteArray("\xF4\x90\x80\x80"), QByteArray("\xC0\xAF"),
    QByteArray("99999999999999999999999999"), QByteArray("-2147483649"), QByteArray("9223372036854775808"),
    QByteArray("1e308"), QByteArray("1e999999"), QByteArray("-0"), QByteArray("nan"), QByteArray("inf"),
    QByteArray("0x1p3"), QByteArray(".5"), QByteArray("366:23:59:59.9999999"), QByteArray("2024-02-29T23:59:60Z"),
    QByteArray("99999:999:99:99:99"), QByteArray("ReferenceYear "), QByteArray("MediaStartTime "),
    QByteArray("MediaFileName "), QByteArray("AllowableDelta "), QByteArray("HandleRealtimeForwardCase "),
    QByteArray("../"), QByteArray("\\"), QByteArray("="), QByteArray(":"), QByteArray("true"),
};

class Generator {
public:
    explicit Generator(std::mt19937::result_type seed) : random_(seed) {}

    QByteArray next()
    {
        switch (below(4)) {
        case 0:
            return randomBytes(below(MAX_RANDOM_BYTES));
        case 1:
            return withLongLine(mutated());
        default:
            return mutated();
        }
    }

    std::string randomName() { return randomBytes(1 + below(64)).toStdString(); }

private:
    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

    QByteArray randomBytes(int size)
    {
        QByteArray bytes(size, '\0');
        std::generate(bytes.begin(), bytes.end(), [this] { return char(below(256)); });
        return bytes;
    }

    QByteArray mutated()
    {
        QByteArray content(VALID_FILES[below(int(VALID_FILES.size()))]);
        for (int count = below(MAX_MUTATIONS + 1); count > 0; --count) {
            const int at = below(content.size() + 1);
            switch (below(5)) {
            case 0:
                content.insert(at, FRAGMENTS[below(int(FRAGMENTS.size()))]);
                break;
            case 1:
                content.remove(at, below(16));
                break;
            case 2:
                if (at < content.size())
                    content[at] = char(below(256));
                break;
            case 3:
                content.insert(at, content.mid(below(content.size() + 1), below(32)));
                break;
            default:
                content.insert(at, randomBytes(1 + below(8)));
                break;
            }
        }
        return content;
    }

    QByteArray withLongLine(QByteArray content)
    {
        const QByteArray& piece = FRAGMENTS[below(int(FRAGMENTS.size()))];
        const int repeats = below(MAX_LONG_LINE / std::max(1, piece.size()));
        content.insert(below(content.size() + 1), "MediaFileName " + piece.repeated(repeats));
        return content;
    }

    std::mt19937 random_;
};

/// What the loader may at most reject: one per line, whichever terminator ends it.
int lineBound(const QByteArray& content)
{
    return int(content.count('\n') + content.count('\r')) + 1;
}

bool isKnownMessage(const std::string& line)
{
    static const char* const prefixes[] = {
        "Invalid reference year: ",
        "Invalid argument to MediaStartTime: ",
        "Invalid argument to HandleRealtimeForwardCase: ",
        "Invalid argument to AllowableDelta: ",
        "Unrecognized token or invalid number of parameters: ",
    };
    return std::any_of(std::begin(prefixes), std::end(prefixes),
                       [&line](const char* prefix) { return line.rfind(prefix, 0) == 0; });
}

TEST(TmdFuzzTest, DamagedFilesAreReadToTheEndAndEveryRejectionIsReportedOnce)
{
    QTemporaryDir dir;
    orvCore::FileSearch fallback({dir.path().toStdString()});
    Generator generator(SEED);

    for (int index = 0; index < GENERATED_FILES; ++index) {
        const QByteArray content = generator.next();
        // A fresh file each time: truncating one in place makes the file system flush it to disk.
        const QString path = dir.filePath(QString("generated-%1.tmd").arg(index));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(content), content.size());
        }
        testsupport::NotifyCapture messages(2);
        TmdBuilderAdapter builder;
        TmdFileLoader loader(builder);
        loader.setFallbackFileSearch(&fallback);
        const int rejected = loader.loadFile(path.toStdString());

        const std::string text = messages.text();
        SCOPED_TRACE("generated file " + std::to_string(index) + ": " + content.toHex().left(400).toStdString());
        ASSERT_GE(rejected, 0);
        ASSERT_LE(rejected, lineBound(content));
        ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), rejected);
        std::string::size_type begin = 0;
        for (std::string::size_type end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
            ASSERT_TRUE(isKnownMessage(text.substr(begin, end - begin))) << text.substr(begin, end - begin);
        ASSERT_GE(builder.allowableDelta(), 0.0);
        QFile::remove(path);
    }
}

TEST(TmdFuzzTest, ArbitraryFileNamesThatNameNoFileFailCleanly)
{
    QTemporaryDir dir;
    Generator generator(SEED);
    for (int index = 0; index < GENERATED_NAMES; ++index) {
        const std::string name = dir.filePath("absent-").toStdString() + generator.randomName();
        testsupport::NotifyCapture messages(2);
        TmdBuilderAdapter builder;
        TmdFileLoader loader(builder);
        EXPECT_EQ(loader.loadFile(name), 1);
        EXPECT_EQ(messages.text().rfind("Unable to open file: ", 0), 0u);
    }
}

}  // namespace
