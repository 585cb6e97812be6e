#include "common/ProcessEnd.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
#define MP2_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define MP2_LEAK_CHECK 1
#endif
#endif

#ifdef MP2_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace processsupport {

void endProcess(int status)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#ifdef MP2_LEAK_CHECK
    __lsan_do_leak_check();
#endif
    _exit(status);
}

}  // namespace processsupport
