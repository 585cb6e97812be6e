#include "orvNotify/Notify.h"

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace orvNotify {

namespace {

// Errors and warnings are shown unless the host asks otherwise.
constexpr int DEFAULT_LEVEL = 3;

int levelFromEnvironment()
{
    const char* const text = std::getenv("ORV_NOTIFY_LEVEL");
    if (!text)
        return DEFAULT_LEVEL;
    int level = DEFAULT_LEVEL;
    const char* const end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, level);
    return error == std::errc() && stop == end ? level : DEFAULT_LEVEL;
}

// Any thread may ask or send; the host sets both from its own thread.
std::atomic<int>& level()
{
    static std::atomic<int> current(levelFromEnvironment());
    return current;
}

std::atomic<std::ostream*> stream(nullptr);  ///< null: standard error

}  // namespace

bool isNotifyEnabled(int severity)
{
    return severity <= level().load();
}

std::ostream& notify(int /*severity*/)
{
    std::ostream* const target = stream.load();
    return target ? *target : std::cerr;
}

void setNotifyLevel(int newLevel)
{
    level().store(newLevel);
}

int notifyLevel()
{
    return level().load();
}

void setNotifyStream(std::ostream* newStream)
{
    stream.store(newStream);
}

}  // namespace orvNotify
