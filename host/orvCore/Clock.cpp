#include "orvCore/Clock.h"

namespace orvCore {

Clock::TimeObserver::~TimeObserver() = default;
Clock::ModeChangeObserver::~ModeChangeObserver() = default;
Clock::~Clock() = default;

}  // namespace orvCore
