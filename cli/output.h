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
constexpr int kExitData = 65; // a malformed batch file
constexpr int kExitNoInput = 66; // a batch file that cannot be read
constexpr int kExitIo = 74; // output failed

// Writes the pieces to standard output one after the other and flushes
// them: kExitDone, or kExitIo with the reason on standard error.
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
