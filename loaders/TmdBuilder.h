#pragma once

#include "orvCore/Time.h"

#include <string>

namespace MediaPlayer2 {

/// Receives the settings of one TMD file, one call per accepted setting line, in file order.
class TmdBuilder {
public:
    virtual ~TmdBuilder() = default;

    virtual void setMediaFilename(const std::string& filename) = 0;
    virtual void setStartTime(orvCore::TimeStamp& time) = 0;
    virtual void setRealtimeForwardCase(bool value) = 0;
    virtual void setAllowableDelta(double seconds) = 0;
};

}  // namespace MediaPlayer2
