#pragma once

#include "orvCore/Time.h"

#include <string>

namespace orvCore {

/// Parses and prints time stamps. Accepted text forms (each must be the whole text):
///   2026-03-14T12:30:05.25Z   ISO 8601 UTC; the Z is optional and a blank may stand for the T
///   2026:073:12:30:05.25      year, day of year, hour, minute, second
///   073:12:30:05.25           day of year of the reference year, hour, minute, second
///   12345.5                   seconds into the reference year
/// Fractions carry at most six digits (microseconds).
class TimeFormatterRegistry {
public:
    /// verbose: report parse failures on the notification stream at severity 2.
    explicit TimeFormatterRegistry(bool verbose);

    /// 0 with stamp set on success; non-zero with stamp untouched on failure.
    int fromString(const std::string& text, TimeStamp& stamp, int referenceYear) const;
    /// ISO 8601 UTC with microseconds, e.g. 2026-03-14T12:30:05.250000Z.
    std::string toString(const TimeStamp& stamp) const;

private:
    bool verbose_;
};

}  // namespace orvCore
