#include "cli/output.h"

#include "cli/writers.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#ifdef _WIN32
#include <winerror.h>
#endif

namespace pierqty::cli {

namespace {

bool g_byteOrderMarkDue = false;

// Clears the error codes that ReaderHasGone reads, before a write.
void ClearErrors()
{
    errno = 0;
#ifdef _WIN32
    _doserrno = 0;
#endif
}

// Whether the last write failed because the reading end of the pipe was
// closed. Windows' C runtimes map that error (ERROR_NO_DATA) to EPIPE or to
// EINVAL by version; the system's own code, which they keep, is exact.
bool ReaderHasGone()
{
#ifdef _WIN32
    if (_doserrno == ERROR_NO_DATA || _doserrno == ERROR_BROKEN_PIPE)
        return true;
#endif
    return errno == EPIPE;
}

int OutputFailed()
{
    // The reader went away (`pierqty-cli ... | head -1`): what it wanted it
    // has, and a message would only interrupt the pipeline's own output.
    if (!ReaderHasGone())
        std::perror("pierqty-cli: writing the output");
    return kExitIo;
}

bool WriteAll(std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

} // namespace

void SetByteOrderMark(bool on)
{
    g_byteOrderMarkDue = on;
}

int Write(std::initializer_list<std::string_view> pieces)
{
    ClearErrors();
    for (const std::string_view piece : pieces) {
        if (piece.empty())
            continue;
        if (g_byteOrderMarkDue) {
            g_byteOrderMarkDue = false;
            if (!WriteAll("\xEF\xBB\xBF"))
                return OutputFailed();
        }
        if (!WriteAll(piece))
            return OutputFailed();
    }
    if (std::fflush(stdout) != 0)
        return OutputFailed();
    return kExitDone;
}

int FlushStandardOutput()
{
    ClearErrors();
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout))
        return OutputFailed();
    return kExitDone;
}

int ReportFault(const CalculationFault &fault, bool json)
{
    std::cerr << "pierqty-cli: " << fault.messageEn() << "\n";
    if (json) {
        const int status = Write(FaultJson(fault));
        if (status != kExitDone)
            return status;
    }
    return kExitFault;
}

} // namespace pierqty::cli
