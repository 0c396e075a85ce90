#include "cli/reader/input.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#else
#include <unistd.h>
#endif

namespace pierqty::cli {

namespace {

#ifdef _WIN32
// The path is UTF-8 (wmain's arguments): opened by its UTF-16 name, so that
// a Chinese name works whatever the ANSI code page.
int OpenForReading(const char *path)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    if (size <= 0) {
        errno = ENOENT;
        return -1;
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), size);
    return ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
}
long ReadSome(int fd, char *buffer, std::size_t size)
{
    return ::_read(fd, buffer, static_cast<unsigned>(size));
}
long WriteSome(int fd, const char *buffer, std::size_t size)
{
    return ::_write(fd, buffer, static_cast<unsigned>(size));
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
bool IsRegularFile(int fd)
{
    struct _stat64 status;
    return ::_fstat64(fd, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}
std::int64_t Seek(int fd, std::int64_t offset, int whence)
{
    return ::_lseeki64(fd, offset, whence);
}
// A temporary file in the user's temporary folder that Windows deletes
// when it is closed.
int TemporaryFile()
{
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"pqb", 0, name) == 0)
        return -1;
    const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (fd < 0)
        CloseHandle(file);
    return fd;
}
#else
int OpenForReading(const char *path)
{
    return ::open(path, O_RDONLY | O_CLOEXEC);
}
long ReadSome(int fd, char *buffer, std::size_t size)
{
    return static_cast<long>(::read(fd, buffer, size));
}
long WriteSome(int fd, const char *buffer, std::size_t size)
{
    return static_cast<long>(::write(fd, buffer, size));
}
void Close(int fd)
{
    ::close(fd);
}
int StandardInput()
{
    return 0;
}
bool IsRegularFile(int fd)
{
    struct stat status;
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}
std::int64_t Seek(int fd, std::int64_t offset, int whence)
{
    return static_cast<std::int64_t>(::lseek(fd, static_cast<off_t>(offset), whence));
}
// A temporary file in $TMPDIR (or /tmp), unlinked at once: it goes away
// with the process, however that ends.
int TemporaryFile()
{
    const char *folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/pierqty-batch-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.c_str());
    return fd;
}
#endif

// One read, tried again when a signal interrupts it.
std::size_t ReadRetrying(int fd, char *buffer, std::size_t size)
{
    while (true) {
        const long got = ReadSome(fd, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw ReadFailure{errno};
    }
}

} // namespace

std::size_t MemorySource::read(char *buffer, std::size_t size)
{
    const std::size_t count = std::min({size, m_piece, m_bytes.size() - m_pos});
    std::memcpy(buffer, m_bytes.data() + m_pos, count);
    m_pos += count;
    return count;
}

InputFile::InputFile(const std::string &path)
{
    m_ownsFd = path != "-";
    m_fd = m_ownsFd ? OpenForReading(path.c_str()) : StandardInput();
    if (m_fd < 0)
        throw ReadFailure{errno};
    m_seekable = IsRegularFile(m_fd);
    if (m_seekable)
        m_start = Seek(m_fd, 0, SEEK_CUR);
    m_seekable = m_seekable && m_start >= 0;
}

InputFile::~InputFile()
{
    if (m_ownsFd)
        Close(m_fd);
    if (m_spool >= 0)
        Close(m_spool);
}

std::size_t InputFile::read(char *buffer, std::size_t size)
{
    if (!m_secondPass) {
        const std::size_t got = ReadRetrying(m_fd, buffer, size);
        m_firstPassBytes += got;
        if (!m_seekable)
            spool(buffer, got);
        return got;
    }
    const std::uint64_t left = m_firstPassBytes - m_readAgain;
    if (left == 0)
        return 0;
    const std::size_t got = ReadRetrying(m_seekable ? m_fd : m_spool, buffer, left < size ? left : size);
    if (got == 0)
        throw InputChanged{}; // shorter than the first time
    m_readAgain += got;
    return got;
}

void InputFile::spool(const char *bytes, std::size_t size)
{
    if (m_spool < 0 && size > 0) {
        m_spool = TemporaryFile();
        if (m_spool < 0)
            throw SpoolFailure{errno};
    }
    while (size > 0) {
        const long put = WriteSome(m_spool, bytes, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw SpoolFailure{put < 0 ? errno : ENOSPC};
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
}

void InputFile::rewind()
{
    m_secondPass = true;
    m_readAgain = 0;
    const int fd = m_seekable ? m_fd : m_spool;
    if (fd >= 0 && Seek(fd, m_seekable ? m_start : 0, SEEK_SET) < 0)
        throw ReadFailure{errno};
}

} // namespace pierqty::cli
