// How pierqty-cli's output leaves it, and the statuses it exits with
// (64 and up numbered as in sysexits.h).
#pragma once

#include "calc/fault.h"

#include <initializer_list>
#include <string_view>

namespace pierqty::cli {

constexpr int kExitDone = 0; // done; in a batch, every pier computed
constexpr int kExitFault = 2; // the calculation stopped; in a batch, some pier did
constexpr int kExitUsage = 64; // a usage error
constexpr int kExitData = 65; // a text that is not a number, a malformed batch file
constexpr int kExitNoInput = 66; // a batch file that cannot be read
constexpr int kExitIo = 74; // output failed

// With on, the first bytes Write puts on standard output are preceded by a
// UTF-8 byte order mark (for Notepad and Excel on a Chinese Windows, which
// read a file without one in the ANSI code page). Output that writes nothing
// stays empty.
void SetByteOrderMark(bool on);

// Writes the pieces to standard output one after the other and flushes
// them: kExitDone, or kExitIo with the reason on standard error. A reader
// that has closed the pipe is no fault to report: kExitIo without a word
// (where SIGPIPE is ignored, and on Windows, which has no SIGPIPE).
int Write(std::initializer_list<std::string_view> pieces);
inline int Write(std::string_view text)
{
    return Write({text});
}

// Flushes what went to std::cout (--help, --version): kExitDone or kExitIo.
int FlushStandardOutput();

// Says on standard error why the calculation stopped, and with --json also
// as a JSON object on standard output: kExitFault, or kExitIo.
int ReportFault(const CalculationFault &fault, bool json);

} // namespace pierqty::cli
