#pragma once

namespace glsupport {

/// Mesa's software driver keeps a small allocation from its first draw until the process ends, and
/// is unloaded when Qt closes the X display, before the leak checker runs. Once unloaded its frames
/// have no module name, so the driver entries in scripts/lsan.supp cannot match them. Pinning the
/// loaded DRI drivers keeps them mapped, and named, until the process ends. Call it while a GL
/// context is alive. Shared by tmdplay and the tests, which both run under the sanitizers.
void pinGlDrivers();

}  // namespace glsupport
