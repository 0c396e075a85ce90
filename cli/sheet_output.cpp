#include "cli/sheet_output.h"

#include "sheet/files.h"
#include "sheet/sheet.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace pierqty::cli {

namespace fs = std::filesystem;

std::string SheetDate()
{
    if (const char *fixed = std::getenv("PIERQTY_SHEET_DATE"); fixed && *fixed)
        return fixed;
    return sheet::LocalDateText();
}

int WriteSheet(const std::string &path, const sheet::TitleBlock &block, const ParameterTexts &texts,
               const ParameterReadings &readings, const PierParameters &parameters, const PierQuantities &quantities)
{
    const ExactOutcome exact = CalculateExact(parameters);
    const std::string date = SheetDate();
    sheet::SheetInput input{texts, readings, parameters, quantities, exact, {}, date};
    input.block = &block;
    const std::string document = sheet::BuildCalculationSheet(input);
    std::string error;
    if (!sheet::WriteAtomically(path, document, error)) {
        std::fprintf(stderr, "pierqty-cli: %s; no sheet written\n", error.c_str());
        return kExitIo;
    }
    return 0;
}

SheetFolder::SheetFolder(std::string folder, sheet::TitleBlock block)
    : m_folder(std::move(folder)), m_block(std::move(block))
{ }

std::string SheetFolder::uniqueName(const std::string &stem)
{
    std::string name = stem + ".html";
    for (int k = 2; m_used.count(sheet::ComparableName(name)) != 0; ++k)
        name = stem + "-" + std::to_string(k) + ".html";
    m_used.insert(sheet::ComparableName(name));
    return name;
}

bool SheetFolder::prepare()
{
    const fs::path folder = sheet::PathFromUtf8(m_folder);
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    if (!fs::is_directory(folder)) {
        m_error = "cannot create the folder '" + m_folder + "' for the sheets";
        return false;
    }
    m_date = SheetDate();
    return true;
}

std::string SheetFolder::write(const std::string &id, const ParameterTexts &texts)
{
    sheet::TitleBlock block = m_block;
    block.pier = id;
    const auto document = sheet::CalculationSheetWithTitleBlock(texts, block, m_date);
    if (!document)
        return ""; // a pier that stopped with a fault has no sheet
    const fs::path folder = sheet::PathFromUtf8(m_folder);
    const std::string path = sheet::Utf8FromPath(folder / sheet::PathFromUtf8(uniqueName(sheet::SafeFileStem(id))));
    std::string error;
    if (!sheet::WriteAtomically(path, document.value(), error))
        return error.empty() ? "cannot write '" + path + "'" : error;
    return "";
}

} // namespace pierqty::cli
