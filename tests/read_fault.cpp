// Preloaded into pierqty-cli by the CLI tests (LD_PRELOAD): read() fails with
// EIO, as on a failing disk or network share, once PIERQTY_READ_FAULT_AFTER
// bytes (64 KiB when unset) have been read in all; every later read fails too.
// With PIERQTY_READ_FAULT_INTERRUPT set, that read is instead interrupted by a
// signal (EINTR), as by a terminal being resized, and reading then goes on.
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

bool Interrupts()
{
    static const bool interrupts = std::getenv("PIERQTY_READ_FAULT_INTERRUPT") != nullptr;
    return interrupts;
}

std::size_t g_read = 0;
bool g_interrupted = false;

} // namespace

extern "C" ssize_t read(int fd, void *buffer, std::size_t count)
{
    static const auto real = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
    if (g_interrupted)
        return real(fd, buffer, count);
    const std::size_t left = BytesLeft() - g_read;
    if (left == 0) {
        g_interrupted = Interrupts();
        errno = g_interrupted ? EINTR : EIO;
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
