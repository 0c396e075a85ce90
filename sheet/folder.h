// One calculation sheet per pier into a folder, each named by its pier's id
// and written atomically as soon as its pier is computed: what
// pierqty-cli --batch --sheet FOLDER and the bridge window's 导出各墩计算书…
// both write.
#pragma once

#include "calc/parameters.h"
#include "sheet/sheet.h"

#include <set>
#include <string>

namespace pierqty::sheet {

// The title block given, with each pier's id as its 墩号, and the date the
// sheets carry. Two ids that Windows or macOS would take for one name
// (letter case, composed or decomposed accents) are both kept: the later
// one gets "-2", "-3", ... A sheet that cannot be written does not stop the
// others.
class SheetFolder
{
public:
    SheetFolder(std::string folder, TitleBlock block, std::string date);
    // Makes the folder when it is missing; false with error() set when it
    // cannot be made or is not a folder.
    bool prepare();
    // Builds and writes the sheet of one pier: "" when it is written, or when
    // the pier stopped and has no sheet; otherwise why it was not written.
    std::string write(const std::string &id, const ParameterTexts &texts);
    const std::string &error() const { return m_error; }

private:
    std::string uniqueName(const std::string &stem);

    std::string m_folder;
    TitleBlock m_block;
    std::string m_date;
    std::set<std::string> m_used; // names taken, as ComparableName gives them
    std::string m_error;
};

} // namespace pierqty::sheet
