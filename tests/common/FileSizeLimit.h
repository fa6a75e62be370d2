#pragma once

#include <csignal>
#include <sys/resource.h>

namespace dewscope::test {

// While it lives, a file may grow to `bytes` at most (0: as before), and a write beyond fails
// with EFBIG, as on a full disk, instead of ending the process with SIGXFSZ.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        const rlimit limit = { bytes ? bytes : saved.rlim_cur, saved.rlim_max };
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved), std::signal(SIGXFSZ, handler); }
    const rlimit saved = [] {
        rlimit limit = {};
        return getrlimit(RLIMIT_FSIZE, &limit), limit;
    }();
    void (*const handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
};

} // namespace dewscope::test
