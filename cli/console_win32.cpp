// Standard streams of pierqty-cli on Windows.
//
// The program writes UTF-8 with "\n" line ends through stdio. msvcrt's text
// mode would turn each "\n" into "\r\n", so a redirected stream is put in
// binary mode and its bytes match the Linux program's. A console shows bytes
// in its own code page (936 on Chinese Windows), and SetConsoleOutputCP(65001)
// followed by msvcrt's fwrite garbles multi-byte characters. So a stream that
// is a console is redirected into a pipe, and a thread hands what arrives to
// WriteConsoleW as UTF-16, keeping a character split between two reads whole.
#include "cli/console_win32.h"

#include "platform/utf16_win32.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <thread>

namespace pierqty {

namespace {

// How many bytes at the end of text begin a UTF-8 sequence that is not
// complete yet (0 to 3).
std::size_t IncompleteTail(const std::string &text)
{
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

void WriteToConsole(HANDLE console, const std::string &utf8)
{
    if (utf8.empty())
        return;
    const std::wstring wide = Widen(utf8);
    const wchar_t *next = wide.data();
    DWORD left = static_cast<DWORD>(wide.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(console, next, left, &written, nullptr) || written == 0)
            return;
        next += written;
        left -= written;
    }
}

} // namespace

// Standard output and error that are a console share one pipe, so that what
// the program writes to them reaches the screen in the order written.
struct StandardStreams::Relay {
    int fds[2] = {-1, -1}; // the descriptors that were consoles, or -1
    int savedFds[2] = {-1, -1}; // their console handles while the pipe stands in
    int readFd = -1;
    std::thread thread;

    Relay()
    {
        HANDLE console = nullptr;
        FILE *const streams[2] = {stdout, stderr};
        const DWORD handles[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        for (int k = 0; k < 2; ++k) {
            const int fd = _fileno(streams[k]);
            HANDLE handle = GetStdHandle(handles[k]);
            DWORD mode = 0;
            if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
                fds[k] = fd;
            else
                _setmode(fd, _O_BINARY);
        }
        if (fds[0] < 0 && fds[1] < 0)
            return;
        int pipe[2];
        if (_pipe(pipe, 1 << 16, _O_BINARY | _O_NOINHERIT) != 0) {
            fds[0] = fds[1] = -1; // the console in text mode, as a last resort
            return;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k] < 0)
                continue;
            std::fflush(streams[k]);
            // _dup2 closes the console's handle under fd; write through a copy.
            savedFds[k] = _dup(fds[k]);
            if (!console)
                console = reinterpret_cast<HANDLE>(_get_osfhandle(savedFds[k]));
            _dup2(pipe[1], fds[k]);
            _setmode(fds[k], _O_BINARY);
        }
        _close(pipe[1]);
        readFd = pipe[0];
        thread = std::thread([this, console] {
            std::string pending;
            char buffer[1 << 14];
            for (;;) {
                const int count = _read(readFd, buffer, sizeof buffer);
                if (count <= 0)
                    break;
                pending.append(buffer, static_cast<std::size_t>(count));
                const std::size_t keep = IncompleteTail(pending);
                WriteToConsole(console, pending.substr(0, pending.size() - keep));
                pending.erase(0, pending.size() - keep);
            }
            WriteToConsole(console, pending);
        });
    }

    ~Relay()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        if (readFd < 0)
            return;
        for (int k = 0; k < 2; ++k) {
            if (savedFds[k] < 0)
                continue;
            _dup2(savedFds[k], fds[k]); // closes a writer of the pipe
            _close(savedFds[k]);
        }
        thread.join(); // the last writer closed: the thread has seen the end
        _close(readFd);
    }
};

StandardStreams::StandardStreams() : m_relay(new Relay) { }

StandardStreams::~StandardStreams()
{
    delete m_relay;
}

} // namespace pierqty
