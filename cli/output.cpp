#include "cli/output.h"

#include "cli/writers.h"

#include <cstdio>
#include <iostream>

namespace pierqty::cli {

namespace {

int OutputFailed()
{
    std::perror("pierqty-cli: writing the output");
    return kExitIo;
}

} // namespace

int Write(std::initializer_list<std::string_view> pieces)
{
    for (const std::string_view piece : pieces) {
        if (std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size())
            return OutputFailed();
    }
    if (std::fflush(stdout) != 0)
        return OutputFailed();
    return kExitDone;
}

int FlushStandardOutput()
{
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
