#pragma once

#include "loaders/TmdBuilder.h"

#include <string>

namespace MediaPlayer2 {

/// Holds the settings of one TMD file for the caller to collect after the load; settings the file
/// leaves out keep the defaults below.
class TmdBuilderAdapter : public TmdBuilder {
public:
    /// Media playing by itself may drift this many seconds from the clock before it is re-sought.
    static constexpr double DEFAULT_ALLOWABLE_DELTA = 1.0;

    void setMediaFilename(const std::string& filename) override;
    void setStartTime(orvCore::TimeStamp& time) override;
    void setRealtimeForwardCase(bool value) override;
    void setAllowableDelta(double seconds) override;

    std::string filename() const;
    orvCore::TimeStamp startTime() const;
    bool realtimeForwardCase() const;
    double allowableDelta() const;

private:
    std::string mediaFilename_;
    orvCore::TimeStamp mediaStartTime_;
    bool realtimeForwardCase_ = true;
    double allowableDelta_ = DEFAULT_ALLOWABLE_DELTA;
};

}  // namespace MediaPlayer2
