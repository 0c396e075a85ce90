#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace pierqty {

namespace {

namespace fs = std::filesystem;
using Failure = FileWriteFailure;

Failure SystemFailure(std::string action, const fs::path &path, int error)
{
    return {std::move(action), path, std::strerror(error)};
}

// Closes a descriptor when it goes out of scope, unless closed before.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // 0, or the errno of a failed close (NFS reports a failed write here).
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Removes a temporary file when it goes out of scope, unless kept.
class Removal
{
public:
    explicit Removal(fs::path path) : m_path(std::move(path)) { }
    ~Removal()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    Removal(const Removal &) = delete;
    Removal &operator=(const Removal &) = delete;
    void keep() { m_path.clear(); }

private:
    fs::path m_path;
};

// 0, or the errno of the write that failed; short writes are continued.
int WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// True for a link that lives in /proc (/proc/self/fd/1, what /dev/stdout
// points to): it names an open file, not a path to resolve.
bool NamesOpenFile(const fs::path &link)
{
#ifdef __linux__
    const fs::path folder = link.has_parent_path() ? link.parent_path() : fs::path(".");
    struct statfs info {
    };
    return ::statfs(folder.c_str(), &info) == 0 && info.f_type == PROC_SUPER_MAGIC;
#else
    return link.string().starts_with("/dev/fd/");
#endif
}

std::optional<fs::path> ReadLink(const fs::path &link)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < buffer.size())
            return fs::path(std::string(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

// Where the path's chain of links ends (relative targets read from the
// link's folder), or the path itself when a link names an open file.
struct Resolved {
    fs::path path;
    bool openFile = false;
};

std::optional<Failure> Resolve(const fs::path &given, Resolved &resolved)
{
    fs::path current = given;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {
        };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = {current, false};
            return std::nullopt;
        }
        if (NamesOpenFile(current)) {
            resolved = {given, true};
            return std::nullopt;
        }
        const auto target = ReadLink(current);
        if (!target)
            return SystemFailure("cannot read the link", current, errno);
        current = target->is_absolute() ? *target : current.parent_path() / *target;
    }
    return SystemFailure("cannot follow the links of", given, ELOOP);
}

// A Unix socket listening at path, connected to as a stream.
int ConnectSocket(const fs::path &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// A device, FIFO, socket or open file written as it is (no O_CREAT: it
// exists). A FIFO waits for its reader, as cp does.
std::optional<Failure> WriteInPlace(const fs::path &path, std::string_view text, bool socket, int flags)
{
    Descriptor out(socket ? ConnectSocket(path) : ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | flags));
    if (out.get() < 0)
        return SystemFailure("cannot open", path, errno);
    if (const int error = WriteAll(out.get(), text))
        return SystemFailure("cannot write", path, error);
    struct stat info {
    };
    // A regular file reached through /dev/fd is made durable too.
    if (::fstat(out.get(), &info) == 0 && S_ISREG(info.st_mode) && ::fsync(out.get()) != 0 && errno != EINVAL)
        return SystemFailure("cannot write", path, errno);
    if (const int error = out.close())
        return SystemFailure("cannot write", path, error);
    return std::nullopt;
}

// A new, empty file of a fixed-length name in folder: the name never grows
// with the target's, so that a 255-byte name can be replaced.
int CreateTemporary(const fs::path &folder, fs::path &temporary)
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".pierqty-";
        auto bits = random();
        for (int k = 0; k < 12; ++k, bits >>= 4)
            name += kDigits[bits & 15u];
        temporary = folder / (name + ".tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The replaced file's owner where allowed (root, or a group the user is in),
// then its mode; set-id bits only when the owner was kept, as cp -p does.
int KeepOwnerAndMode(int fd, const struct stat &old)
{
    const bool owner = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    // Failing that, the user's own group it is, as for a new file.
    [[maybe_unused]] const bool group = owner || ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
    const mode_t mode = old.st_mode & (owner ? 07777 : 0777);
    return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

// Syncs the folder so that the rename itself survives a crash. A file
// system that cannot sync a folder says EINVAL; that is no failure.
std::optional<Failure> SyncFolder(const fs::path &folder)
{
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || (::fsync(dir.get()) != 0 && errno != EINVAL && errno != ENOTSUP))
        return SystemFailure("the text is in place, but cannot sync the folder", folder, errno);
    return std::nullopt;
}

std::optional<Failure> WriteThroughTemporary(const fs::path &target, const struct stat *old, std::string_view text)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporary;
    Descriptor out(CreateTemporary(folder, temporary));
    if (out.get() < 0)
        return SystemFailure("cannot create a file in the folder", folder, errno);
    Removal removal(temporary);
    if (old != nullptr) {
        if (const int error = KeepOwnerAndMode(out.get(), *old))
            return SystemFailure("cannot keep the mode of", target, error);
    }
    if (const int error = WriteAll(out.get(), text))
        return SystemFailure("cannot write", target, error);
    if (::fsync(out.get()) != 0)
        return SystemFailure("cannot write", target, errno);
    if (const int error = out.close())
        return SystemFailure("cannot write", target, error);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return SystemFailure("cannot replace", target, errno);
    removal.keep();
    return SyncFolder(folder);
}

// Whether the user may replace the file: as the system allows, and for root
// not a file that nobody may write (cp would replace it; rm asks first).
int MayReplace(const fs::path &path, const struct stat &info)
{
    if (::geteuid() == 0)
        return (info.st_mode & 0222) != 0 ? 0 : EACCES;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

} // namespace

std::optional<FileWriteFailure> WriteFileReplacing(const fs::path &path, std::string_view text)
{
    Resolved resolved;
    if (auto failure = Resolve(path, resolved))
        return failure;
    if (resolved.openFile)
        return WriteInPlace(path, text, false, O_APPEND);
    const fs::path &target = resolved.path;
    struct stat info {
    };
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno != ENOENT)
            return SystemFailure("cannot write", target, errno);
        return WriteThroughTemporary(target, nullptr, text);
    }
    if (S_ISDIR(info.st_mode))
        return Failure{"cannot write", target, "it is a folder"};
    if (!S_ISREG(info.st_mode))
        return WriteInPlace(target, text, S_ISSOCK(info.st_mode), 0);
    if (const int error = MayReplace(target, info))
        return Failure{"cannot replace", target,
                       error == EACCES ? "the file is write-protected" : std::strerror(error)};
    return WriteThroughTemporary(target, &info, text);
}

} // namespace pierqty
