#include "ui/form/report_actions.h"

#include "sheet/actions.h"
#include "sheet/files.h"
#include "sheet/sheet.h"

#include <ctime>
#include <optional>
#include <stdexcept>

namespace pierqty::form {

bool SaveSheet(DesktopServices &services, const ParameterTexts &texts,
               const std::function<std::string(const std::string &path)> &launchTarget)
{
    const auto sheet = sheet::CalculationSheetFromTexts(texts, {}, sheet::LocalDateText());
    if (!sheet) {
        services.reportError(sheet.fault().messageZh());
        return false;
    }
    const std::time_t now = std::time(nullptr);
    const std::tm *local = std::localtime(&now);
    SaveFileRequest request;
    request.title = "保存计算书";
    request.suggestedName = local ? sheet::SheetFileName(*local) : "计算书.html";
    request.kindName = "计算书（HTML）";
    request.extension = "html";
    const std::optional<std::string> path = services.chooseSaveFile(request);
    if (!path)
        return false; // cancelled: nothing written
    if (!sheet::PathFromUtf8(*path).is_absolute()) {
        services.reportError("计算书未保存：“" + *path + "”不是完整的文件路径。");
        return false;
    }
    std::string error;
    if (!sheet::WriteAtomically(*path, sheet.value(), error)) {
        services.reportError("计算书未保存：无法写入“" + *path + "”。\n" + error);
        return false;
    }
    if (!services.openUrl(launchTarget(*path)))
        throw std::runtime_error("计算书已保存到“" + *path + "”，但无法打开它：没有可用的浏览器或网址处理程序。");
    return true;
}

bool CopyResults(DesktopServices &services, const ParameterTexts &texts)
{
    const auto summary = sheet::ResultSummaryFromTexts(texts);
    if (!summary) {
        services.reportError(summary.fault().messageZh());
        return false;
    }
    if (!services.setClipboardText(summary.value()))
        throw std::runtime_error("无法把结果放到剪贴板上。");
    return true;
}

} // namespace pierqty::form
