#include "bill/workbook.h"

#include "calc/numbers.h"
#include "pierqty/version.h"
#include "sheet/files.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <system_error>
#include <variant>

namespace pierqty::bill {

namespace fs = std::filesystem;

PierRecord MakePierRecord(std::string id, const ParameterTexts &texts, std::string grade, std::string fault)
{
    PierRecord record;
    record.id = std::move(id);
    record.grade = std::move(grade);
    record.texts = texts;
    record.fault = std::move(fault);
    if (!record.fault.empty())
        return record;
    const auto pier = CalculatePier(texts);
    if (!pier) {
        record.fault = pier.fault().messageZh();
        return record;
    }
    record.parameters = pier.value().parameters;
    record.layered = pier.value().quantities;
    record.layered.Layers = {}; // the layer table is computed again as it is written
    const ExactOutcome exact = CalculateExact(record.parameters);
    if (const auto *notApplicable = std::get_if<NotApplicable>(&exact)) {
        record.fault = "精确工程量不适用：" + notApplicable->reasonZh;
        return record;
    }
    record.exact = std::get<ExactQuantities>(exact);
    record.adopted = AdoptQuantities(record.layered, record.exact);
    return record;
}

namespace {

// The inputs that are no numbers, as "L1 =“2,5”；l3 =“abc”".
std::string NotNumbers(const ParameterTexts &texts)
{
    std::string out;
    for (std::size_t k = 0; k < kParameterCount; ++k) {
        if (ReadParameter(texts[k]).isNumber())
            continue;
        if (!out.empty())
            out += "；";
        out += std::string(kParameterNames[k]) + " =“" + ExcerptText(texts[k]) + "”";
    }
    return out;
}

} // namespace

std::string LeftOutReason(const PierRecord &pier)
{
    if (pier.billed())
        return {};
    if (const std::string notNumbers = NotNumbers(pier.texts); !notNumbers.empty())
        return "输入不是数字：" + notNumbers;
    const auto calculation = CalculatePier(pier.texts);
    if (!calculation)
        return calculation.fault().messageZh();
    if (const auto unbuildable = UnbuildableFault(calculation.value().parameters))
        return unbuildable->messageZh();
    const ExactOutcome exact = CalculateExact(calculation.value().parameters);
    if (const auto *notApplicable = std::get_if<NotApplicable>(&exact))
        return "精确工程量不适用：" + notApplicable->reasonZh;
    return "未能计算";
}

namespace {

// A feature line, numbered as bills number them: "1. 部位：花瓶墩墩身".
void AddFeature(std::string &features, const std::string &name, const std::string &value)
{
    const auto count = features.empty() ? 0 : std::count(features.begin(), features.end(), '\n') + 1;
    if (!features.empty())
        features += '\n';
    features += std::to_string(count + 1) + ". " + name + "：" + value;
}

BillLine MakeLine(const BillItem &item, std::map<std::string, int> &serials, std::string features, double sum)
{
    const int serial = ++serials[item.code];
    std::string code = item.code;
    code += static_cast<char>('0' + serial / 100 % 10);
    code += static_cast<char>('0' + serial / 10 % 10);
    code += static_cast<char>('0' + serial % 10);
    return {code, item.name, std::move(features), item.unit, sum, RoundHalfUp(sum, 2), RoundHalfUpText(sum, 2)};
}

} // namespace

std::vector<BillLine> BillLines(const std::vector<PierRecord> &piers, const WorkbookOptions &options)
{
    // Concrete by grade, in the order the grades first appear.
    std::vector<std::pair<std::string, double>> concrete;
    double curved = 0.0, straight = 0.0, formwork = 0.0;
    for (const PierRecord &pier : piers) {
        if (!pier.billed())
            continue;
        auto grade =
            std::find_if(concrete.begin(), concrete.end(), [&](const auto &g) { return g.first == pier.grade; });
        if (grade == concrete.end())
            grade = concrete.insert(concrete.end(), {pier.grade, 0.0});
        grade->second += pier.adopted.Concrete;
        curved += pier.adopted.CurvedFormwork;
        straight += pier.adopted.StraightFormwork;
        formwork += pier.adopted.Formwork;
    }
    if (concrete.empty())
        concrete.emplace_back("", 0.0);
    std::vector<BillLine> lines;
    std::map<std::string, int> serials;
    const BillItems &items = options.items;
    for (const auto &[grade, sum] : concrete) {
        std::string features;
        AddFeature(features, "部位", items.concrete.part);
        AddFeature(features, "混凝土强度等级", grade);
        lines.push_back(MakeLine(items.concrete, serials, features, sum));
    }
    std::string features;
    AddFeature(features, "部位", items.formwork.part);
    if (!options.splitFormwork) {
        lines.push_back(MakeLine(items.formwork, serials, features, formwork));
        return lines;
    }
    std::string curvedFeatures = features, straightFeatures = features;
    AddFeature(curvedFeatures, "模板类型", "曲面模板（花瓶段）");
    AddFeature(straightFeatures, "模板类型", "直面模板（直墩身、顶部直段）");
    lines.push_back(MakeLine(items.formwork, serials, curvedFeatures, curved));
    lines.push_back(MakeLine(items.formwork, serials, straightFeatures, straight));
    return lines;
}

namespace {

// A text for a cell: XML takes no control characters, so they are shown as
// \xNN (tab and line break stay).
std::string CellText(const std::string &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string cell;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) {
            cell += "\\x";
            cell += kHex[byte >> 4];
            cell += kHex[byte & 0xF];
        } else {
            cell += c;
        }
    }
    return cell;
}

// Width of a text's longest line in Excel's column units: a Chinese
// character takes two.
double DisplayWidth(const std::string &text)
{
    double widest = 0.0, width = 0.0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        if (text[k] == '\n') {
            widest = std::max(widest, width);
            width = 0.0;
        } else if (byte < 0x80) {
            width += 1.0;
        } else if (byte >= 0xC0) {
            width += byte >= 0xE0 ? 2.0 : 1.0; // a character of 3 or 4 bytes is wide
        }
    }
    return std::max(widest, width);
}

struct Formats {
    lxw_format *title, *header, *text, *centred, *wrap, *integer, *general, *quantity, *layered, *totalText,
        *totalQuantity, *totalLayered, *note;
};

lxw_format *AddFormat(lxw_workbook *book, const char *numberFormat, bool bold, bool border)
{
    lxw_format *format = workbook_add_format(book);
    // Excel's default face has no Chinese: name the Song face every Chinese
    // Windows has, as the window does.
    format_set_font_name(format, "宋体");
    format_set_font_size(format, 10.5);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (numberFormat)
        format_set_num_format(format, numberFormat);
    if (bold)
        format_set_bold(format);
    if (border)
        format_set_border(format, LXW_BORDER_THIN);
    return format;
}

Formats MakeFormats(lxw_workbook *book)
{
    Formats f{};
    f.title = AddFormat(book, nullptr, true, false);
    format_set_font_size(f.title, 14);
    format_set_align(f.title, LXW_ALIGN_CENTER);
    f.header = AddFormat(book, nullptr, true, true);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    format_set_text_wrap(f.header);
    format_set_bg_color(f.header, 0xE8EEF4);
    f.text = AddFormat(book, nullptr, false, true);
    f.centred = AddFormat(book, nullptr, false, true);
    format_set_align(f.centred, LXW_ALIGN_CENTER);
    f.wrap = AddFormat(book, nullptr, false, true);
    format_set_text_wrap(f.wrap);
    f.integer = AddFormat(book, "0", false, true);
    format_set_align(f.integer, LXW_ALIGN_CENTER);
    f.general = AddFormat(book, "General", false, true);
    f.quantity = AddFormat(book, "0.00", false, true);
    f.layered = AddFormat(book, "0.000000", false, true);
    f.totalText = AddFormat(book, nullptr, true, true);
    f.totalQuantity = AddFormat(book, "0.00", true, true);
    f.totalLayered = AddFormat(book, "0.000000", true, true);
    f.note = AddFormat(book, nullptr, false, false);
    return f;
}

// Column widths that fit each column's widest text, within bounds.
class Widths
{
public:
    explicit Widths(std::size_t columns) : m_widths(columns, 6.0) { }
    void fit(std::size_t column, const std::string &text)
    {
        m_widths[column] = std::max(m_widths[column], std::min(DisplayWidth(text) + 2.0, 110.0));
    }
    void apply(lxw_worksheet *sheet) const
    {
        for (std::size_t k = 0; k < m_widths.size(); ++k)
            worksheet_set_column(sheet, static_cast<lxw_col_t>(k), static_cast<lxw_col_t>(k), m_widths[k], nullptr);
    }

private:
    std::vector<double> m_widths;
};

// A title across the columns in the first row, the column headers in the
// second, both frozen.
void WriteHeading(lxw_worksheet *sheet, const Formats &f, const std::string &title,
                  const std::vector<std::string> &headers, Widths &widths)
{
    worksheet_set_row(sheet, 0, 24, nullptr);
    worksheet_merge_range(sheet, 0, 0, 0, static_cast<lxw_col_t>(headers.size() - 1), CellText(title).c_str(), f.title);
    double rows = 1;
    for (std::size_t k = 0; k < headers.size(); ++k) {
        rows = std::max(rows, static_cast<double>(std::count(headers[k].begin(), headers[k].end(), '\n') + 1));
        widths.fit(k, headers[k]);
    }
    worksheet_set_row(sheet, 1, 15 * rows, nullptr);
    for (std::size_t k = 0; k < headers.size(); ++k)
        worksheet_write_string(sheet, 1, static_cast<lxw_col_t>(k), headers[k].c_str(), f.header);
    worksheet_freeze_panes(sheet, 2, 0);
    // Printed on A4, as wide as the page, the headings on every page.
    worksheet_set_paper(sheet, 9);
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_repeat_rows(sheet, 0, 1);
    if (headers.size() > 6)
        worksheet_set_landscape(sheet);
}

// The notes under a table, from row on: what the quantities are, and every
// pier left out of the bill with the reason.
void WriteNotes(lxw_worksheet *sheet, const Formats &f, lxw_row_t row, const std::vector<PierRecord> &piers)
{
    const auto billed = std::count_if(piers.begin(), piers.end(), [](const PierRecord &p) { return p.billed(); });
    std::vector<std::string> notes;
    notes.push_back("注：工程量为 " + std::to_string(billed) +
                    " 个墩的精确混凝土体积和真实模板接触面积，全精度求和后四舍五入至 2 位小数（GB 50500-2013）。");
    if (billed < static_cast<long>(piers.size()))
        notes.push_back("以下 " + std::to_string(piers.size() - static_cast<std::size_t>(billed)) +
                        " 个墩没有可计入清单的工程量，未计入：");
    for (const PierRecord &pier : piers) {
        if (!pier.billed())
            notes.push_back("    墩号 " + pier.id + "：" + LeftOutReason(pier));
    }
    notes.push_back("pierqty " PIERQTY_VERSION_TEXT " 生成");
    for (const std::string &note : notes)
        worksheet_write_string(sheet, ++row, 0, CellText(note).c_str(), f.note);
}

void WriteBillSheet(lxw_workbook *book, const Formats &f, const std::vector<PierRecord> &piers,
                    const WorkbookOptions &options)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, "工程量清单");
    Widths widths(6);
    const std::string title = options.title.empty() ? "分部分项工程量清单" : options.title + " 分部分项工程量清单";
    WriteHeading(sheet, f, title, {"序号", "项目编码", "项目名称", "项目特征描述", "计量单位", "工程量"}, widths);
    lxw_row_t row = 2;
    int serial = 0;
    for (const BillLine &line : BillLines(piers, options)) {
        const auto lines = std::count(line.features.begin(), line.features.end(), '\n') + 1;
        worksheet_set_row(sheet, row, 15.0 * static_cast<double>(lines) + 3, nullptr);
        worksheet_write_number(sheet, row, 0, ++serial, f.integer);
        const std::array<std::string, 4> texts = {line.code, CellText(line.name), CellText(line.features),
                                                  CellText(line.unit)};
        for (lxw_col_t k = 0; k < 4; ++k) {
            worksheet_write_string(sheet, row, k + 1, texts[k].c_str(), k == 2 ? f.wrap : k == 1 ? f.text : f.centred);
            widths.fit(k + 1, texts[k]);
        }
        worksheet_write_number(sheet, row, 5, line.quantity, f.quantity);
        ++row;
    }
    widths.fit(5, "0000000.00");
    widths.apply(sheet);
    WriteNotes(sheet, f, row, piers);
}

std::string Fixed(double value)
{
    return formatQuantity(value);
}

// Each pier's formula in words with its figures, a line for each quantity.
std::string FormulaText(const PierRecord &pier)
{
    const PierQuantities &q = pier.layered;
    const ExactQuantities &e = pier.exact;
    const AdoptedQuantities &a = pier.adopted;
    return "混凝土 = 直墩身 " + Fixed(q.ShaftVolume) + " + 花瓶段（精确积分）" + Fixed(e.FlareVolume) + " + 顶部直段 " +
        Fixed(q.CapVolume) + " = " + Fixed(a.Concrete) + " m³\n曲面模板 = 端面 " + Fixed(e.EndFaces) + " + 开槽面 " +
        Fixed(e.GroovedFaces) + " + 槽侧面 " + Fixed(e.GrooveWalls) + " + 倒角面 " + Fixed(e.Chamfers) + " = " +
        Fixed(a.CurvedFormwork) + " m²\n直面模板 = 直墩身 " + Fixed(q.ShaftFormwork) + " + 顶部直段 " +
        Fixed(q.CapFormwork) + " = " + Fixed(a.StraightFormwork) + " m²\n模板合计 = " + Fixed(a.Formwork) + " m²";
}

constexpr lxw_col_t kFirstQuantityColumn = 2 + kParameterCount;

std::vector<std::string> CalculationHeaders()
{
    std::vector<std::string> headers = {"墩号", "混凝土\n强度等级"};
    for (const ParameterInfo &parameter : kParameters)
        headers.push_back(std::string(parameter.name) + "\n(" + std::string(parameter.unit) + ")");
    for (const char *name : {"混凝土\n(m³)", "曲面模板\n(m²)", "直面模板\n(m²)", "模板合计\n(m²)", "分层法 S\n(m²)",
                             "分层法 V\n(m³)", "计算式"})
        headers.push_back(name);
    return headers;
}

// A pier's figures in the calculation table, left to right: the adopted
// volume and formwork (curved, straight, total), then the layered S and V.
std::array<double, 6> TableFigures(const PierRecord &pier)
{
    return {pier.adopted.Concrete,
            pier.adopted.CurvedFormwork,
            pier.adopted.StraightFormwork,
            pier.adopted.Formwork,
            pier.layered.S,
            pier.layered.V};
}

void WriteCalculationRow(lxw_worksheet *sheet, const Formats &f, lxw_row_t row, const PierRecord &pier, Widths &widths)
{
    worksheet_set_row(sheet, row, 4 * 14.0, nullptr); // the formula's four lines
    worksheet_write_string(sheet, row, 0, CellText(pier.id).c_str(), f.text);
    worksheet_write_string(sheet, row, 1, CellText(pier.grade).c_str(), f.centred);
    widths.fit(0, CellText(pier.id));
    widths.fit(1, CellText(pier.grade));
    for (int k = 0; k < kParameterCount; ++k) {
        const double value = ParameterValue(pier.parameters, k);
        worksheet_write_number(sheet, row, static_cast<lxw_col_t>(2 + k), value, k == kFieldN ? f.integer : f.general);
        widths.fit(static_cast<std::size_t>(2 + k), ShortestText(value));
    }
    const std::array<double, 6> figures = TableFigures(pier);
    for (lxw_col_t k = 0; k < figures.size(); ++k)
        worksheet_write_number(sheet, row, kFirstQuantityColumn + k, figures[k], k < 4 ? f.quantity : f.layered);
    const std::string formula = FormulaText(pier);
    worksheet_write_string(sheet, row, kFirstQuantityColumn + 6, formula.c_str(), f.wrap);
    widths.fit(kFirstQuantityColumn + 6, formula);
}

// The total row: SUM formulas that carry their results, so that a viewer
// which does not recalculate shows the figures.
void WriteTotalRow(lxw_worksheet *sheet, const Formats &f, lxw_row_t row, const std::vector<PierRecord> &piers)
{
    worksheet_write_string(sheet, row, 0, "合计", f.totalText);
    for (lxw_col_t k = 1; k < kFirstQuantityColumn; ++k)
        worksheet_write_blank(sheet, row, k, f.totalText);
    std::array<double, 6> sums{};
    for (const PierRecord &pier : piers) {
        if (!pier.billed())
            continue;
        const std::array<double, 6> figures = TableFigures(pier);
        for (std::size_t k = 0; k < sums.size(); ++k)
            sums[k] += figures[k];
    }
    for (lxw_col_t k = 0; k < sums.size(); ++k) {
        lxw_format *format = k < 4 ? f.totalQuantity : f.totalLayered;
        const lxw_col_t column = kFirstQuantityColumn + k;
        if (row == 2) { // no pier billed: no range to sum
            worksheet_write_number(sheet, row, column, 0.0, format);
            continue;
        }
        char range[64];
        lxw_rowcol_to_range(range, 2, column, row - 1, column);
        worksheet_write_formula_num(sheet, row, column, ("=SUM(" + std::string(range) + ")").c_str(), format, sums[k]);
    }
    worksheet_write_blank(sheet, row, kFirstQuantityColumn + 6, f.totalText);
}

void WriteCalculationSheet(lxw_workbook *book, const Formats &f, const std::vector<PierRecord> &piers)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, "工程量计算表");
    const std::vector<std::string> headers = CalculationHeaders();
    Widths widths(headers.size());
    WriteHeading(sheet, f, "工程量计算表", headers, widths);
    lxw_row_t row = 2;
    for (const PierRecord &pier : piers) {
        if (pier.billed())
            WriteCalculationRow(sheet, f, row++, pier, widths);
    }
    WriteTotalRow(sheet, f, row, piers);
    for (std::size_t k = kFirstQuantityColumn; k < kFirstQuantityColumn + 6; ++k)
        widths.fit(k, k < kFirstQuantityColumn + 4 ? "0000000.00" : "00000.000000");
    widths.apply(sheet);
    WriteNotes(sheet, f, row, piers);
}

// Every layer of one pier, written as the layer loop completes it (the
// workbook is in constant-memory mode: rows go out in order).
void WriteLayerSheet(lxw_workbook *book, const Formats &f, const PierRecord &pier)
{
    lxw_worksheet *sheet = workbook_add_worksheet(book, "分层表");
    const std::vector<std::string> headers = {"层号 i",  "yᵢ\n(m)",   "Aᵢ\n(m²)",        "ΔVᵢ\n(m³)",
                                              "Uᵢ\n(m)", "ΔSᵢ\n(m²)", "ΣΔVᵢ 累计\n(m³)", "ΣΔSᵢ 累计\n(m²)"};
    Widths widths(headers.size());
    for (std::size_t k = 1; k < headers.size(); ++k)
        widths.fit(k, "0000.000000");
    WriteHeading(sheet, f, "分层表（墩号 " + pier.id + "，花瓶段 " + std::to_string(pier.parameters.n) + " 层）",
                 headers, widths);
    widths.apply(sheet);
    lxw_row_t row = 2;
    double volume = 0.0, formwork = 0.0;
    auto writeLayer = [&](const LayerSection &layer) {
        volume += layer.volume;
        formwork += layer.formwork;
        const std::array<double, 7> figures = {layer.y_i,      layer.S_i, layer.volume, layer.outline,
                                               layer.formwork, volume,    formwork};
        worksheet_write_number(sheet, row, 0, layer.i, f.integer);
        for (lxw_col_t k = 0; k < figures.size(); ++k)
            worksheet_write_number(sheet, row, k + 1, figures[k], f.layered);
        ++row;
    };
    (void)calculate(pier.parameters, writeLayer); // computed before: it does not stop
}

void SetProperties(lxw_workbook *book, const WorkbookOptions &options)
{
    std::string title = options.title.empty() ? "花瓶墩工程量清单" : options.title + " 花瓶墩工程量清单";
    std::string subject = "工程量清单";
    std::string comments = "pierqty " PIERQTY_VERSION_TEXT;
    std::string keywords = "工程量清单, 花瓶墩, 混凝土, 模板";
    lxw_doc_properties properties{};
    properties.title = title.data();
    properties.subject = subject.data();
    properties.comments = comments.data();
    properties.keywords = keywords.data();
    workbook_set_properties(book, &properties);
    workbook_set_custom_property_string(book, "Program", "pierqty");
    workbook_set_custom_property_string(book, "Version", PIERQTY_VERSION_TEXT);
}

// Builds the workbook in the file at filename (libxlsxwriter writes to a
// file name). Its numbers are printed by the library's own dtoa
// (cmake/xlsxwriter.cmake): digits that read back to the same double, with a
// point whatever the C library's locale.
bool BuildWorkbook(const std::string &filename, const std::vector<PierRecord> &piers, const WorkbookOptions &options,
                   std::string &error)
{
    lxw_workbook_options settings{};
    settings.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(filename.c_str(), &settings);
    if (!book) {
        error = "cannot start a workbook (out of memory?)";
        return false;
    }
    SetProperties(book, options);
    const Formats formats = MakeFormats(book);
    WriteBillSheet(book, formats, piers, options);
    WriteCalculationSheet(book, formats, piers);
    if (piers.size() == 1 && piers.front().billed())
        WriteLayerSheet(book, formats, piers.front());
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        error = "cannot build the workbook in the temporary folder '" +
            sheet::Utf8FromPath(fs::path(sheet::PathFromUtf8(filename)).parent_path()) + "': " + lxw_strerror(closed);
        return false;
    }
    return true;
}

fs::path StagingPath()
{
    static std::mt19937_64 random{std::random_device{}()};
    std::error_code failed;
    const fs::path folder = fs::temp_directory_path(failed);
    return (failed ? fs::path(".") : folder) / ("pierqty-" + std::to_string(random()) + ".xlsx");
}

} // namespace

bool WriteWorkbook(const std::string &path, const std::vector<PierRecord> &piers, const WorkbookOptions &options,
                   std::string &error)
{
    // libxlsxwriter writes to a file name, and only sequentially-written
    // regular files stay whole; so the workbook is built in a staging file
    // and then written to its path as the sheet is (a link stays a link, a
    // file keeps its mode, a device or FIFO is written in place).
    const fs::path staging = StagingPath();
    std::error_code ignored;
    std::string bytes;
    const bool built = BuildWorkbook(sheet::Utf8FromPath(staging), piers, options, error);
    if (built) {
        std::ifstream in(staging, std::ios::binary);
        std::ostringstream read;
        read << in.rdbuf();
        if (!in || !read) {
            error = "cannot read back the workbook built in the temporary folder";
            fs::remove(staging, ignored);
            return false;
        }
        bytes = std::move(read).str();
    }
    fs::remove(staging, ignored);
    if (!built)
        return false;
    if (!sheet::WriteAtomically(path, bytes, error))
        return false;
    return true;
}

} // namespace pierqty::bill
