#include "cli/sheet_output.h"

#include "sheet/files.h"
#include "sheet/sheet.h"

#include <cstdio>
#include <cstdlib>

namespace pierqty::cli {

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

} // namespace pierqty::cli
