#include "support/StressRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include <cstdlib>

namespace stress {

namespace {

// Short enough for ctest in the plain and sanitizer trees; scripts/soak sets longer ones.
constexpr double kDefaultWalkSeconds = 20.0;
constexpr int kDefaultCycles = 20;
constexpr unsigned kDefaultSeed = 20260314;
// Far longer than any closing thread takes; reached only when something is left behind for good.
constexpr int kSettleGuardMs = 20000;
// Long enough for deferred deletions and the sound server's first connection to be done with.
constexpr int kQuietMs = 300;

double numberFromEnvironment(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return *end == '\0' && value > 0 ? value : fallback;
}

int entriesIn(const char* folder)
{
    return static_cast<int>(QDir(QString::fromLatin1(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

Census census()
{
    return Census{entriesIn("/proc/self/task"), entriesIn("/proc/self/fd")};
}

}  // namespace

double walkSeconds()
{
    return numberFromEnvironment("MP2_STRESS_SECONDS", kDefaultWalkSeconds);
}

int cycles()
{
    return static_cast<int>(numberFromEnvironment("MP2_STRESS_CYCLES", kDefaultCycles));
}

unsigned seed()
{
    return static_cast<unsigned>(numberFromEnvironment("MP2_STRESS_SEED", kDefaultSeed));
}

Census quietCensus()
{
    QTest::qWait(kQuietMs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return census();
}

std::string leftOver(const Census& baseline)
{
    Census now;
    const bool settled = QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            now = census();
            return now.threads <= baseline.threads && now.openFiles <= baseline.openFiles;
        },
        kSettleGuardMs);
    return settled ? std::string() : "left " + std::to_string(now.threads - baseline.threads) + " threads and "
                                         + std::to_string(now.openFiles - baseline.openFiles) + " open files";
}

}  // namespace stress
