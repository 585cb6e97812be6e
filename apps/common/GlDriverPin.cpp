#include "common/GlDriverPin.h"

#include <dlfcn.h>
#include <link.h>

#include <string_view>

namespace glsupport {

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

}  // namespace

void pinGlDrivers()
{
    dl_iterate_phdr(pinIfGlDriver, nullptr);
}

}  // namespace glsupport
