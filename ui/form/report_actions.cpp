#include "ui/form/report_actions.h"

#include "bill/bridge_sheet.h"
#include "bill/workbook.h"
#include "calc/exact.h"
#include "sheet/files.h"
#include "sheet/folder.h"
#include "ui/form/actions.h"
#include "ui/form/title_block.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <variant>

namespace pierqty::form {

namespace {

std::optional<std::tm> LocalNow()
{
    const std::time_t now = std::time(nullptr);
    const std::tm *local = std::localtime(&now);
    return local ? std::optional<std::tm>(*local) : std::nullopt;
}

// Asks where to save; the chosen absolute path, or nothing (cancelled, or
// refused with the box: what is "not saved" names the document).
std::optional<std::string> ChooseTarget(DesktopServices &services, const SaveFileRequest &request,
                                        const std::string &notSaved)
{
    const std::optional<std::string> path = services.chooseSaveFile(request);
    if (!path)
        return std::nullopt; // cancelled: nothing written
    if (!sheet::PathFromUtf8(*path).is_absolute()) {
        services.reportError(notSaved + "“" + sheet::PrintablePath(*path) + "”不是完整的文件路径。");
        return std::nullopt;
    }
    return path;
}

// Opens a saved file with its program; where none opens it, says where it
// is: the file was saved, so this is no error.
void OpenSaved(DesktopServices &services, const std::string &what, const std::string &path,
               const LaunchTarget &launchTarget)
{
    if (!services.openUrl(launchTarget(path)))
        services.reportInformation(what + "已保存到 " + sheet::PrintablePath(path) + "；未能自动打开，请手动打开。");
}

// The bill's items: the table installed with the program when it is there
// (as pierqty-cli takes it), else the one compiled in. Nothing, with the
// reason in error, when the installed table cannot be read.
std::optional<bill::BillItems> InstalledItems(DesktopServices &services, std::string &error)
{
    const std::string folder = services.programFolder();
    if (folder.empty())
        return bill::DefaultBillItems();
    const std::filesystem::path path = bill::InstalledItemsPath(sheet::PathFromUtf8(folder));
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return bill::DefaultBillItems();
    const std::string name = "清单项目表“" + sheet::PrintablePath(sheet::Utf8FromPath(path)) + "”";
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        error = "无法读取" + name + "。";
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto items = bill::ParseBillItems(bytes, error);
    if (!items)
        error = name + "有误：" + error;
    return items;
}

// Why a pier is not billed, in Chinese.
std::string BillRefusal(const bill::PierRecord &pier)
{
    if (std::optional<std::string> refusal = SheetRefusal(pier.texts))
        return *refusal;
    const ExactOutcome exact = CalculateExact(pier.parameters);
    if (const auto *notApplicable = std::get_if<NotApplicable>(&exact))
        return "精确工程量不适用：" + notApplicable->reasonZh;
    return pier.fault;
}

// "-20260105-0930" for a file name, or empty when the time is unknown.
std::string FileStamp()
{
    const std::optional<std::tm> local = LocalNow();
    char stamp[32] = "";
    if (local)
        std::strftime(stamp, sizeof stamp, "-%Y%m%d-%H%M", &*local);
    return stamp;
}

// "未计入清单 2 个墩（P3、P7），工作簿写明了原因。", or empty.
std::string LeftOutNote(const std::vector<bill::PierRecord> &piers, std::string_view where)
{
    std::string ids;
    int count = 0;
    for (const bill::PierRecord &pier : piers) {
        if (pier.billed())
            continue;
        ids += (count++ == 0 ? "" : "、") + pier.id;
    }
    if (count == 0)
        return "";
    return "未计入清单 " + std::to_string(count) + " 个墩（" + ids + "），" + std::string(where) + "写明了原因。";
}

} // namespace

std::optional<bill::WorkbookOptions> WindowBillOptions(DesktopServices &services, std::string &error)
{
    const std::optional<bill::BillItems> items = InstalledItems(services, error);
    if (!items)
        return std::nullopt;
    bill::WorkbookOptions options;
    options.items = *items;
    options.title = StoredProjectName(services);
    return options;
}

namespace {

// Asks where to save a document of the bridge (what: its name in messages),
// writes it, names the piers it leaves out and opens it.
bool SaveBridgeDocument(DesktopServices &services, const SaveFileRequest &request, const std::string &what,
                        const std::vector<bill::PierRecord> &piers,
                        const std::function<bool(const std::string &path, std::string &error)> &write,
                        const LaunchTarget &launchTarget)
{
    const std::optional<std::string> path = ChooseTarget(services, request, what + "未保存：");
    if (!path)
        return false;
    std::string error;
    if (!write(*path, error)) {
        services.reportError(what + "未保存：无法写入“" + sheet::PrintablePath(*path) + "”。\n" + error);
        return false;
    }
    if (const std::string note = LeftOutNote(piers, what); !note.empty())
        services.reportInformation(what + "已保存。" + note);
    OpenSaved(services, what, *path, launchTarget);
    return true;
}

} // namespace

bool ExportBridgeWorkbook(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                          const LaunchTarget &launchTarget)
{
    std::string error;
    const std::optional<bill::WorkbookOptions> options = WindowBillOptions(services, error);
    if (!options) {
        services.reportError("工程量清单未保存：" + error);
        return false;
    }
    const SaveFileRequest request{"导出 Excel", "桥梁工程量清单" + FileStamp() + ".xlsx", "Excel 工作簿", "xlsx"};
    return SaveBridgeDocument(
        services, request, "工程量清单", piers,
        [&](const std::string &path, std::string &failure) {
            return bill::WriteWorkbook(path, piers, *options, failure);
        },
        launchTarget);
}

bool ExportBridgeSummary(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                         const LaunchTarget &launchTarget)
{
    std::string error;
    const std::optional<bill::WorkbookOptions> options = WindowBillOptions(services, error);
    if (!options) {
        services.reportError("汇总计算书未保存：" + error);
        return false;
    }
    const sheet::TitleBlock block = ToTitleBlock(StoredTitleValues(services));
    const std::string date = sheet::LocalDateText();
    const std::string document = bill::BuildBridgeSheet({piers, *options, block, date});
    const SaveFileRequest request{"导出计算书", "汇总计算书" + FileStamp() + ".html", "计算书（HTML）", "html"};
    return SaveBridgeDocument(
        services, request, "汇总计算书", piers,
        [&](const std::string &path, std::string &failure) { return sheet::WriteAtomically(path, document, failure); },
        launchTarget);
}

bool ExportBridgeSheets(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                        const LaunchTarget &launchTarget)
{
    const std::optional<std::string> folder = services.chooseFolder("导出各墩计算书到文件夹");
    if (!folder)
        return false;
    sheet::SheetFolder sheets(*folder, ToTitleBlock(StoredTitleValues(services)), sheet::LocalDateText());
    if (!sheets.prepare()) {
        services.reportError("计算书未保存：无法建立文件夹“" + sheet::PrintablePath(*folder) + "”。");
        return false;
    }
    int written = 0;
    std::string skipped, failed;
    for (const bill::PierRecord &pier : piers) {
        if (SheetRefusal(pier.texts)) {
            skipped += (skipped.empty() ? "" : "、") + pier.id;
            continue;
        }
        const std::string failure = sheets.write(pier.id, pier.texts);
        if (failure.empty())
            ++written;
        else
            failed += "\n" + pier.id + "：" + failure;
    }
    std::string message = "已写出 " + std::to_string(written) + " 份计算书到“" + sheet::PrintablePath(*folder) + "”。";
    if (!skipped.empty())
        message += "无法计算或无法建造、未写计算书的墩：" + skipped + "。";
    if (!failed.empty()) {
        services.reportError(message + "\n以下计算书未能写入：" + failed);
        return false;
    }
    if (!skipped.empty())
        services.reportInformation(message);
    OpenSaved(services, "计算书", *folder, launchTarget);
    return true;
}

std::optional<std::string> SheetRefusal(const ParameterTexts &texts)
{
    const auto parameters = parsePierParameters(texts);
    if (!parameters)
        return parameters.fault().messageZh();
    if (const auto fault = UnbuildableFault(parameters.value()))
        return fault->messageZh();
    return std::nullopt;
}

bool SaveSheet(DesktopServices &services, const ParameterTexts &texts, const sheet::TitleBlock &block,
               const LaunchTarget &launchTarget)
{
    const auto sheet = sheet::CalculationSheetWithTitleBlock(texts, block, sheet::LocalDateText());
    if (!sheet) {
        services.reportError(sheet.fault().messageZh());
        return false;
    }
    const std::optional<std::tm> local = LocalNow();
    SaveFileRequest request;
    request.title = "保存计算书";
    request.suggestedName = local ? SheetFileName(*local) : "计算书.html";
    request.kindName = "计算书（HTML）";
    request.extension = "html";
    const std::optional<std::string> path = ChooseTarget(services, request, "计算书未保存：");
    if (!path)
        return false;
    std::string error;
    if (!sheet::WriteAtomically(*path, sheet.value(), error)) {
        services.reportError("计算书未保存：无法写入“" + sheet::PrintablePath(*path) + "”。\n" + error);
        return false;
    }
    OpenSaved(services, "计算书", *path, launchTarget);
    return true;
}

bool ExportWorkbook(DesktopServices &services, const ParameterTexts &texts, const std::string &projectName,
                    const LaunchTarget &launchTarget)
{
    const bill::PierRecord pier = bill::MakePierRecord("1", texts);
    if (!pier.billed()) {
        services.reportError("无法导出工程量清单：" + BillRefusal(pier));
        return false; // nothing written
    }
    bill::WorkbookOptions options;
    options.title = projectName;
    std::string error;
    const std::optional<bill::BillItems> items = InstalledItems(services, error);
    if (!items) {
        services.reportError("工程量清单未保存：" + error);
        return false;
    }
    options.items = *items;
    const std::optional<std::tm> local = LocalNow();
    char stamp[32] = "";
    if (local)
        std::strftime(stamp, sizeof stamp, "-%Y%m%d-%H%M", &*local);
    SaveFileRequest request{"导出 Excel", "工程量清单" + std::string(stamp) + ".xlsx", "Excel 工作簿", "xlsx"};
    const std::optional<std::string> path = ChooseTarget(services, request, "工程量清单未保存：");
    if (!path)
        return false;
    if (!bill::WriteWorkbook(*path, {pier}, options, error)) {
        services.reportError("工程量清单未保存：无法写入“" + sheet::PrintablePath(*path) + "”。\n" + error);
        return false;
    }
    OpenSaved(services, "工程量清单", *path, launchTarget);
    return true;
}

bool CopyResults(DesktopServices &services, const ParameterTexts &texts)
{
    const auto summary = ResultSummaryFromTexts(texts);
    if (!summary) {
        services.reportError(summary.fault().messageZh());
        return false;
    }
    if (!services.setClipboardText(summary.value()))
        throw std::runtime_error("无法把结果放到剪贴板上。");
    return true;
}

} // namespace pierqty::form
