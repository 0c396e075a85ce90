#include "sheet/folder.h"

#include "sheet/files.h"

#include <filesystem>
#include <system_error>

namespace pierqty::sheet {

namespace fs = std::filesystem;

SheetFolder::SheetFolder(std::string folder, TitleBlock block, std::string date)
    : m_folder(std::move(folder)), m_block(std::move(block)), m_date(std::move(date))
{ }

std::string SheetFolder::uniqueName(const std::string &stem)
{
    std::string name = stem + ".html";
    for (int k = 2; m_used.count(ComparableName(name)) != 0; ++k)
        name = stem + "-" + std::to_string(k) + ".html";
    m_used.insert(ComparableName(name));
    return name;
}

bool SheetFolder::prepare()
{
    const fs::path folder = PathFromUtf8(m_folder);
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    if (!fs::is_directory(folder)) {
        m_error = "cannot create the folder '" + m_folder + "' for the sheets";
        return false;
    }
    return true;
}

std::string SheetFolder::write(const std::string &id, const ParameterTexts &texts)
{
    TitleBlock block = m_block;
    block.pier = id;
    const auto document = CalculationSheetWithTitleBlock(texts, block, m_date);
    if (!document)
        return ""; // a pier that stopped with a fault has no sheet
    const fs::path folder = PathFromUtf8(m_folder);
    const std::string path = Utf8FromPath(folder / PathFromUtf8(uniqueName(SafeFileStem(id))));
    std::string error;
    if (!WriteAtomically(path, document.value(), error))
        return error.empty() ? "cannot write '" + path + "'" : error;
    return "";
}

} // namespace pierqty::sheet
