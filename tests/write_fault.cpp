// Preloaded into pierqty-cli by the file tests (LD_PRELOAD). Records the
// calls that make a write durable, and makes one of them fail, as a full
// disk, a failing disk or a refused rename would.
//   PIERQTY_WRITE_LOG=file      appends "write", "fsync file",
//                               "fsync folder" and "rename" lines in order
//   PIERQTY_WRITE_FAULT=write   write() to a regular file fails (ENOSPC)
//                      =fsync   fsync() of a regular file fails (EIO)
//                      =folder  fsync() of a folder fails (EIO)
//                      =rename  rename() fails (EXDEV)
// Standard input, output and error are left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using WriteFunction = ssize_t (*)(int, const void *, std::size_t);
using FsyncFunction = int (*)(int);
using RenameFunction = int (*)(const char *, const char *);

WriteFunction RealWrite()
{
    static const auto real = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
    return real;
}

bool Faulty(const char *call)
{
    const char *fault = std::getenv("PIERQTY_WRITE_FAULT");
    return fault != nullptr && std::strcmp(fault, call) == 0;
}

void Record(const char *line)
{
    const char *log = std::getenv("PIERQTY_WRITE_LOG");
    if (log == nullptr)
        return;
    const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    RealWrite()(fd, line, std::strlen(line));
    RealWrite()(fd, "\n", 1);
    ::close(fd);
}

// The kind of file fd is open on: 'f' regular file, 'd' folder, 0 other.
char Kind(int fd)
{
    struct stat info {
    };
    if (fd <= 2 || ::fstat(fd, &info) != 0)
        return 0;
    return S_ISREG(info.st_mode) ? 'f' : S_ISDIR(info.st_mode) ? 'd' : 0;
}

bool g_wrote = false; // one "write" line for a run of writes

} // namespace

extern "C" ssize_t write(int fd, const void *buffer, std::size_t count)
{
    if (Kind(fd) == 'f') {
        if (!g_wrote)
            Record("write");
        g_wrote = true;
        if (Faulty("write")) {
            errno = ENOSPC;
            return -1;
        }
    }
    return RealWrite()(fd, buffer, count);
}

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<FsyncFunction>(dlsym(RTLD_NEXT, "fsync"));
    const char kind = Kind(fd);
    g_wrote = false;
    if (kind != 0)
        Record(kind == 'f' ? "fsync file" : "fsync folder");
    if ((kind == 'f' && Faulty("fsync")) || (kind == 'd' && Faulty("folder"))) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int rename(const char *from, const char *to)
{
    static const auto real = reinterpret_cast<RenameFunction>(dlsym(RTLD_NEXT, "rename"));
    Record("rename");
    if (Faulty("rename")) {
        errno = EXDEV;
        return -1;
    }
    return real(from, to);
}
