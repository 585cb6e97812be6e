#pragma once

namespace processsupport {

/// Ends a process that may have played sound, with `status`. Qt's PulseAudio engine disconnects
/// from the server in a static destructor while its main-loop thread still runs; now and then the
/// two threads race in libpulse, and an assertion aborts a process whose work had succeeded. So
/// static destructors are skipped: output is flushed, the leak checker runs when the process was
/// built with it, and the process ends through _exit, which the thread sanitizer still sees.
/// Shared by tmdplay and the tests.
[[noreturn]] void endProcess(int status);

}  // namespace processsupport
