// Preloaded into pierqty-cli by the CLI tests (LD_PRELOAD): read() fails with
// EIO, as on a failing disk or network share, once PIERQTY_READ_FAULT_AFTER
// bytes (64 KiB when unset) have been read in all; every later read fails too.
#include <dlfcn.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

namespace {

using ReadFunction = ssize_t (*)(int, void *, std::size_t);

std::size_t BytesLeft()
{
    static std::size_t left = [] {
        const char *after = std::getenv("PIERQTY_READ_FAULT_AFTER");
        return after ? static_cast<std::size_t>(std::strtoull(after, nullptr, 10)) : std::size_t{65536};
    }();
    return left;
}

std::size_t g_read = 0;

} // namespace

extern "C" ssize_t read(int fd, void *buffer, std::size_t count)
{
    static const auto real = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
    const std::size_t left = BytesLeft() - g_read;
    if (left == 0) {
        errno = EIO;
        return -1;
    }
    const ssize_t got = real(fd, buffer, count < left ? count : left);
    if (got > 0)
        g_read += static_cast<std::size_t>(got);
    return got;
}

// The checked form that _FORTIFY_SOURCE builds call.
extern "C" ssize_t __read_chk(int fd, void *buffer, std::size_t count, std::size_t)
{
    return read(fd, buffer, count);
}
