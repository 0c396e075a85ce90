#include "cli/input.h"

#include <cerrno>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pierqty::cli {

namespace {

#ifdef _WIN32
int OpenForReading(const char *path)
{
    return ::_open(path, _O_RDONLY | _O_BINARY);
}
long ReadSome(int fd, char *buffer, unsigned size)
{
    return ::_read(fd, buffer, size);
}
void Close(int fd)
{
    ::_close(fd);
}
int StandardInput()
{
    ::_setmode(0, _O_BINARY);
    return 0;
}
#else
int OpenForReading(const char *path)
{
    return ::open(path, O_RDONLY | O_CLOEXEC);
}
long ReadSome(int fd, char *buffer, unsigned size)
{
    return static_cast<long>(::read(fd, buffer, size));
}
void Close(int fd)
{
    ::close(fd);
}
int StandardInput()
{
    return 0;
}
#endif

} // namespace

InputFile ReadWholeFile(const std::string &path)
{
    InputFile file;
    const bool standardInput = path == "-";
    const int fd = standardInput ? StandardInput() : OpenForReading(path.c_str());
    if (fd < 0) {
        file.error = errno;
        return file;
    }
    constexpr unsigned kChunk = 1u << 16;
    while (true) {
        const std::size_t size = file.data.size();
        file.data.resize(size + kChunk);
        const long got = ReadSome(fd, file.data.data() + size, kChunk);
        if (got < 0 && errno == EINTR) {
            file.data.resize(size);
            continue;
        }
        file.data.resize(size + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got < 0)
            file.error = errno;
        if (got <= 0)
            break;
    }
    if (!standardInput)
        Close(fd);
    return file;
}

} // namespace pierqty::cli
