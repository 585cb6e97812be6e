#pragma once

#include <ostream>

namespace orvNotify {

/// Severities: lower is more severe. A message is shown when its severity is at most the level.
/// 2 errors, 3 warnings, 7 the most verbose traces.
bool isNotifyEnabled(int severity);
/// The stream for a message of that severity; send only after isNotifyEnabled(severity).
std::ostream& notify(int severity);
/// The default level comes from the environment variable ORV_NOTIFY_LEVEL, else 3.
void setNotifyLevel(int level);
int notifyLevel();
/// Where messages go; null restores standard error. The stream must outlive its use.
void setNotifyStream(std::ostream* stream);

}  // namespace orvNotify
