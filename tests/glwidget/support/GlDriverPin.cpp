// Mesa's software driver keeps a small allocation from its first draw until the process ends, and
// is unloaded when Qt closes the X display, before the leak checker runs. Once unloaded its frames
// have no module name, so the driver entries in scripts/lsan.supp cannot match them. Pinning the
// loaded DRI drivers after the last test keeps them mapped, and named, until the process ends.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <string_view>

namespace {

int pinIfGlDriver(dl_phdr_info* module, std::size_t, void*)
{
    constexpr std::string_view DRIVER_SUFFIX = "_dri.so";
    const std::string_view name = module->dlpi_name ? module->dlpi_name : "";
    if (name.size() >= DRIVER_SUFFIX.size()
        && name.substr(name.size() - DRIVER_SUFFIX.size()) == DRIVER_SUFFIX)
        dlopen(module->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

class GlDriverPin : public ::testing::Environment
{
public:
    void TearDown() override { dl_iterate_phdr(pinIfGlDriver, nullptr); }
};

// Registered before main runs; Google Test owns and deletes the environment.
[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new GlDriverPin);

} // namespace
