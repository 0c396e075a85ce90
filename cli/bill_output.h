// pierqty-cli --xlsx: the bill of quantities of one pier, or of every pier
// of a batch, as a workbook.
#pragma once

#include "bill/workbook.h"
#include "cli/batch.h"
#include "cli/options.h"

#include <string>
#include <vector>

namespace pierqty::cli {

// The workbook's options from the command line: the items table from
// --items, else the one shipped beside the program, else the compiled-in
// default. Throws BatchError for a table that cannot be read or used, and
// UsageError for bill options without --xlsx.
bill::WorkbookOptions WorkbookOptionsFrom(const Options &options);

// Writes the workbook of the piers: kExitDone; kExitFault when some pier is
// left out of the bill (said on standard error; the workbook names them);
// kExitIo when it cannot be written (nothing is left at the path).
int WriteBillWorkbook(const std::string &path, const std::vector<bill::PierRecord> &piers,
                      const bill::WorkbookOptions &options);

// Gathers the piers of a batch for its workbook, through RunBatchFile's hook.
class WorkbookPiers
{
public:
    explicit WorkbookPiers(std::string defaultGrade) : m_defaultGrade(std::move(defaultGrade)) { }
    BatchPierHook hook()
    {
        return [this](const BatchPier &pier) { add(pier); };
    }
    const std::vector<bill::PierRecord> &piers() const { return m_piers; }

private:
    void add(const BatchPier &pier);

    std::string m_defaultGrade;
    std::vector<bill::PierRecord> m_piers;
};

} // namespace pierqty::cli
