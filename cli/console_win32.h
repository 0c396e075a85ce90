// Windows standard streams that carry pierqty-cli's UTF-8 output unchanged.
#pragma once

namespace pierqty {

// While it lives, stdout and stderr take UTF-8 bytes as on Linux: to a file
// or a pipe in binary mode (no "\r\n" for "\n"), to a console as UTF-16
// through WriteConsoleW, which shows Chinese whatever the console's code page.
class StandardStreams
{
public:
    StandardStreams();
    ~StandardStreams(); // flushes and hands the last bytes to the console
    StandardStreams(const StandardStreams &) = delete;
    StandardStreams &operator=(const StandardStreams &) = delete;

private:
    struct Relay;
    Relay *m_relay;
};

} // namespace pierqty
