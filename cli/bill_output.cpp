#include "cli/bill_output.h"

#include "cli/bridge_output.h"
#include "cli/reader/encoding.h"
#include "cli/reader/input.h"
#include "cli/output.h"
#include "sheet/files.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pierqty::cli {

namespace fs = std::filesystem;

namespace {

// The folder of the running program, or empty when it cannot be told.
fs::path ProgramFolder()
{
#ifdef _WIN32
    std::wstring name(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0 || length >= name.size())
        return {};
    name.resize(length);
    return fs::path(name).parent_path();
#else
    std::error_code failed;
    const fs::path program = fs::read_symlink("/proc/self/exe", failed);
    return failed ? fs::path() : program.parent_path();
#endif
}

bill::BillItems ReadItems(const std::string &path)
{
    // A table of a few lines: anything past 1 MiB is not one.
    constexpr std::size_t kLimit = std::size_t{1} << 20;
    std::string name = EscapeControls(path);
    name.insert(name.begin(), '\'');
    name.push_back('\'');
    std::string bytes;
    try {
        InputFile file(path);
        char buffer[65536];
        while (const std::size_t got = file.read(buffer, sizeof buffer)) {
            bytes.append(buffer, got);
            if (bytes.size() > kLimit)
                throw BatchError{"the items table " + name + " is larger than 1 MiB", kExitData};
        }
    } catch (const ReadFailure &failure) {
        throw BatchError{"cannot read the items table " + name + ": " + std::generic_category().message(failure.error),
                         kExitNoInput};
    }
    std::string error;
    const auto items = bill::ParseBillItems(bytes, error);
    if (!items)
        throw BatchError{"the items table " + name + ": " + error, kExitData};
    return *items;
}

} // namespace

bill::WorkbookOptions WorkbookOptionsFrom(const Options &options)
{
    // The workbook and the summary sheet show the same bill.
    const bool billWanted = !options.xlsx.empty() || SummarySheetWanted(options);
    if (!billWanted && (!options.items.empty() || !options.grade.empty() || options.splitFormwork))
        throw UsageError{"--items, --grade and --split-formwork shape the bill: they go with --xlsx, or with --batch "
                         "and --sheet FILE.html"};
    bill::WorkbookOptions workbook;
    if (!billWanted)
        return workbook;
    workbook.splitFormwork = options.splitFormwork;
    workbook.title = SheetTitleBlock(options).project;
    std::error_code ignored;
    const fs::path folder = ProgramFolder();
    const fs::path shipped = folder.empty() ? fs::path() : bill::InstalledItemsPath(folder);
    if (!options.items.empty())
        workbook.items = ReadItems(options.items);
    else if (!shipped.empty() && fs::is_regular_file(shipped, ignored))
        workbook.items = ReadItems(sheet::Utf8FromPath(shipped));
    return workbook;
}

int WriteBillWorkbook(const std::string &path, const std::vector<bill::PierRecord> &piers,
                      const bill::WorkbookOptions &options)
{
    std::string error;
    if (!bill::WriteWorkbook(path, piers, options, error)) {
        std::cerr << "pierqty-cli: " << error << "; no workbook written\n";
        return kExitIo;
    }
    int leftOut = 0;
    for (const bill::PierRecord &pier : piers)
        leftOut += pier.billed() ? 0 : 1;
    if (leftOut == 0)
        return kExitDone;
    std::cerr << "warning: the bill leaves out " << leftOut << " of " << piers.size()
              << " piers (stopped, or without exact figures); the workbook names them\n";
    return kExitFault;
}

void WorkbookPiers::add(const BatchPier &pier)
{
    m_piers.push_back(
        bill::MakePierRecord(pier.id, pier.texts, pier.grade.empty() ? m_defaultGrade : pier.grade, pier.fault));
}

} // namespace pierqty::cli
