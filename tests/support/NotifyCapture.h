#pragma once

#include <sstream>
#include <string>

namespace testsupport {

/// Captures what is sent to the notification stream while it lives, at the given level, and
/// restores standard error and the previous level afterwards.
class NotifyCapture {
public:
    explicit NotifyCapture(int level = 7);
    ~NotifyCapture();
    NotifyCapture(const NotifyCapture&) = delete;
    NotifyCapture& operator=(const NotifyCapture&) = delete;

    std::string text() const { return stream_.str(); }
    void clear();

private:
    std::ostringstream stream_;
    int previousLevel_;
};

}  // namespace testsupport
