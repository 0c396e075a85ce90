#include "cli/batch.h"

#include "calc/exact.h"
#include "calc/numbers.h"
#include "calc/quantities.h"
#include "calc/quantity_catalogue.h"
#include "cli/reader/csv.h"
#include "cli/reader/encoding.h"
#include "cli/options.h"
#include "cli/workers.h"

#include <array>
#include <exception>
#include <iostream>
#include <optional>
#include <system_error>

namespace pierqty::cli {

namespace {

using csv::LineNumber;

// Output is written in pieces of about this size: one write per piece.
constexpr std::size_t kOutputPiece = std::size_t{1} << 16;

// Piers read, computed by the workers and then written, a block at a time:
// enough to share out over the threads, few enough to keep memory flat.
constexpr std::size_t kBlockPiers = 512;

std::string_view Trim(std::string_view text)
{
    return TrimText(text);
}

bool IsBlankLine(const csv::Record &record)
{
    return record.count == 1 && Trim(record.fields[0]).empty();
}

// A text cell of the output (an id, a fault): controls escaped, and a text
// that a spreadsheet would take for a formula (=, +, -, @, or a tab or a
// carriage return before one) starts with an apostrophe, as OWASP advises
// against CSV injection. Figures are numbers and never pass here.
std::string TextCell(std::string_view text)
{
    std::string cell = EscapeControls(text, true);
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos)
        cell.insert(cell.begin(), '\'');
    return cell;
}

// One pier's row of the batch output: its id, a cell for each figure column
// of the quantity catalogue, and its fault. A figure left empty was not
// computed.
struct BatchRow {
    std::string id;
    std::vector<std::string> figures = std::vector<std::string>(BatchColumns().size());
    std::string fault;

    void appendTo(std::string &out) const
    {
        csv::AppendField(out, TextCell(id));
        for (const std::string &figure : figures) {
            out += ',';
            csv::AppendField(out, figure);
        }
        out += ',';
        csv::AppendField(out, TextCell(fault));
        out += '\n';
    }
    void addFault(std::string_view note)
    {
        if (!fault.empty())
            fault += "; ";
        fault += note;
    }
};

// The sums of the figure columns, over the piers that have all of them, and
// how many piers there were.
struct BatchTotals {
    std::vector<double> sums = std::vector<double>(BatchColumns().size());
    std::int64_t piers = 0, stopped = 0, withoutExact = 0;
};

// A header cell as the user typed it, for a message: a file that is not
// UTF-8 is GB18030.
std::string HeaderText(std::string_view cell)
{
    Utf8Check check;
    check.feed(cell);
    if (check.valid())
        return std::string(cell);
    try {
        std::string decoded;
        Gb18030Decoder().decode(cell, decoded);
        return decoded;
    } catch (const std::system_error &) {
        return std::string(cell); // its bytes are escaped
    }
}

constexpr int kIdColumn = -1;
constexpr int kGradeColumn = -2; // the concrete grade, for the workbook's bill

// The header's columns: the parameter index of each, kIdColumn or
// kGradeColumn.
std::vector<int> ReadHeader(const csv::Record &header)
{
    std::vector<int> columns;
    std::array<bool, kParameterCount> named{};
    bool haveId = false, haveGrade = false;
    for (const std::string &raw : header.fields) {
        const std::string name(Trim(raw));
        const int index = name == "id" ? kIdColumn : name == "grade" ? kGradeColumn : ParameterIndex(name);
        if (name != "id" && name != "grade" && index < 0)
            throw BatchError{"line 1: unknown column " + QuoteText(HeaderText(name), '\'') +
                             " (columns are id, grade, " + ParameterNameList() + ")"};
        bool &seen = index == kIdColumn ? haveId
            : index == kGradeColumn     ? haveGrade
                                        : named[static_cast<std::size_t>(index)];
        if (seen)
            throw BatchError{"line 1: column " + QuoteText(name, '\'') + " appears twice"};
        seen = true;
        columns.push_back(index);
    }
    return columns; // more cells than names: one of those above was unknown or repeated
}

std::string FieldCountMessage(const csv::Record &record, std::size_t columns)
{
    return "line " + std::to_string(record.line) + ": " + std::to_string(record.count) +
        " fields where the header names " + std::to_string(columns);
}

// What the first pass learns of a batch file.
struct Layout {
    std::vector<int> columns;
    TextEncoding encoding = TextEncoding::Utf8;
};

// The first pass: the header, the number of fields of every row, quotes,
// line lengths, and whether the file is UTF-8. Nothing is computed.
Layout CheckLayout(csv::LineReader &lines)
{
    csv::Reader reader(lines);
    csv::Record record;
    if (!reader.next(record, kParameterCount + 3))
        throw BatchError{"the batch file is empty: its first line must name the parameters (e.g. id,L1,h,n)"};
    Layout layout{ReadHeader(record), TextEncoding::Utf8};
    while (reader.next(record, 1)) {
        if (!IsBlankLine(record) && record.count != layout.columns.size())
            throw BatchError{FieldCountMessage(record, layout.columns.size())};
    }
    layout.encoding = lines.encoding();
    if (layout.encoding == TextEncoding::Utf8 && !lines.validUtf8())
        layout.encoding = TextEncoding::Gb18030;
    return layout;
}

// TOTAL's fault column: over how many piers the sums run, when not all.
std::string Coverage(const BatchTotals &t, std::ostream &warnings)
{
    if (t.stopped + t.withoutExact == 0)
        return "";
    std::string coverage = "sums over " + std::to_string(t.piers - t.stopped - t.withoutExact) + " of " +
        std::to_string(t.piers) + " piers (";
    if (t.stopped > 0)
        coverage += std::to_string(t.stopped) + " stopped";
    if (t.stopped > 0 && t.withoutExact > 0)
        coverage += ", ";
    if (t.withoutExact > 0)
        coverage += std::to_string(t.withoutExact) + " without exact figures";
    coverage += ")";
    warnings << "warning: TOTAL " << coverage << "\n";
    return coverage;
}

// A pier in flight: read on the main thread, computed on a worker (the
// calculation is pure), then finished and written on the main thread in
// file order.
struct PierWork {
    LineNumber line = 0;
    BatchRow row; // its id, and the fault of a cell that is no number
    ParameterTexts texts;
    std::string grade;
    // What the worker computed; each is empty where an earlier step stopped.
    ParameterReadings readings{};
    std::optional<Outcome<PierParameters>> parameters;
    std::optional<Outcome<PierQuantities>> quantities;
    std::optional<CalculationFault> unbuildable;
    std::optional<ExactOutcome> exact;
    std::exception_ptr failure; // thrown while computing (out of memory), thrown again in order
};

// The pure part of a pier, on a worker: never throws.
void Compute(PierWork &work) noexcept
{
    if (!work.row.fault.empty())
        return;
    try {
        work.parameters = parsePierParameters(work.texts, &work.readings);
        if (!work.parameters->ok())
            return;
        auto ignoreLayers = [](const LayerSection &) {};
        work.quantities = calculate(work.parameters->value(), ignoreLayers);
        if (!work.quantities->ok())
            return;
        work.unbuildable = UnbuildableFault(work.parameters->value());
        if (!work.unbuildable)
            work.exact = CalculateExact(work.parameters->value());
    } catch (...) {
        work.failure = std::current_exception();
    }
}

// The second pass: the rows read a block at a time, computed by the
// workers, and finished and written in file order.
class RowRunner
{
public:
    RowRunner(const Layout &layout, const ParameterTexts &defaults, sheet::SheetFolder *sheets, const BatchStreams &streams,
              const BatchPierHook &onPier)
        : m_layout(layout), m_defaults(defaults), m_sheets(sheets), m_streams(streams), m_onPier(onPier)
    { }
    int run(csv::LineReader &lines);

private:
    bool readBlock(csv::Reader &reader, csv::Record &record, std::vector<PierWork> &block);
    void pier(const csv::Record &record, PierWork &work);
    void finish(PierWork &work);
    void computed(PierWork &work);
    bool emit(const BatchRow &row);

    const Layout &m_layout;
    const ParameterTexts &m_defaults;
    sheet::SheetFolder *m_sheets;
    const BatchStreams &m_streams;
    const BatchPierHook &m_onPier;
    BatchTotals m_totals;
    bool m_sheetFailed = false;
    std::string m_out;
};

// Appends a row, and writes what has gathered once it is a piece: false
// when the output failed.
bool RowRunner::emit(const BatchRow &row)
{
    row.appendTo(m_out);
    if (m_out.size() < kOutputPiece)
        return true;
    const int status = m_streams.write(m_out);
    m_out.clear();
    return status == kExitDone;
}

// Reads up to a block of piers: false at the end of the file.
bool RowRunner::readBlock(csv::Reader &reader, csv::Record &record, std::vector<PierWork> &block)
{
    const std::size_t columns = m_layout.columns.size();
    while (block.size() < kBlockPiers) {
        if (!reader.next(record, columns))
            return false;
        if (IsBlankLine(record))
            continue;
        if (record.count != columns) // the file was changed between the two passes
            throw BatchError{FieldCountMessage(record, columns) + " (the file changed while it was read)"};
        pier(record, block.emplace_back());
    }
    return true;
}

int RowRunner::run(csv::LineReader &lines)
{
    csv::Reader reader(lines);
    csv::Record record;
    reader.next(record, 0); // the header, checked in the first pass
    m_out += "id";
    for (const BatchColumn &column : BatchColumns()) {
        m_out += ',';
        csv::AppendField(m_out, column.name);
    }
    m_out += ",fault\n";
    std::vector<PierWork> block;
    Workers workers(WorkerCount()); // after block: its threads end before the block goes
    for (bool more = true; more;) {
        block.clear();
        std::exception_ptr unread; // what stopped the reading, once the rows before it are out
        try {
            more = readBlock(reader, record, block);
        } catch (...) {
            unread = std::current_exception();
            more = false;
        }
        workers.run(block.size(), [&block](std::size_t k) { Compute(block[k]); });
        for (PierWork &work : block) {
            finish(work);
            if (!emit(work.row))
                return kExitIo;
        }
        if (unread)
            std::rethrow_exception(unread);
    }
    const BatchTotals &t = m_totals;
    BatchRow total;
    total.id = "TOTAL";
    for (std::size_t k = 0; k < t.sums.size(); ++k)
        total.figures[k] = ShortestText(t.sums[k]);
    total.fault = Coverage(t, m_streams.warnings);
    if (!emit(total))
        return kExitIo;
    if (m_streams.write(m_out) != kExitDone)
        return kExitIo;
    return m_sheetFailed ? kExitIo : t.stopped > 0 ? kExitFault : kExitDone;
}

// One pier from its record over the defaults. A blank cell takes the
// default, as a missing column does; a cell that is not wholly a number
// leaves the row's figures empty and says so in its fault column.
void RowRunner::pier(const csv::Record &record, PierWork &work)
{
    ++m_totals.piers;
    BatchRow &row = work.row;
    work.line = record.line;
    row.id = std::to_string(m_totals.piers);
    work.texts = m_defaults;
    for (std::size_t k = 0; k < record.fields.size(); ++k) {
        const std::string &cell = record.fields[k];
        const int column = m_layout.columns[k];
        if (column == kGradeColumn)
            work.grade = Trim(cell);
        if (column == kIdColumn)
            row.id = cell;
        if (column < 0)
            continue;
        if (Trim(cell).empty())
            continue;
        const auto index = static_cast<std::size_t>(column);
        if (!ReadParameter(cell).isNumber()) {
            row.fault += row.fault.empty() ? "NotANumber: " : "; ";
            row.fault += std::string(kParameterNames[index]) + " = " + QuoteText(cell) + " is not a number";
        }
        work.texts[index] = cell;
    }
}

// A computed pier on the main thread, in file order: handed on, its
// warnings, its sheet and TOTAL's sums.
void RowRunner::finish(PierWork &work)
{
    if (m_onPier)
        m_onPier({work.row.id, work.texts, work.grade, work.row.fault});
    if (!work.row.fault.empty()) {
        ++m_totals.stopped;
        return;
    }
    computed(work);
}

// The figures of a pier whose cells are numbers, or the fault that stopped
// it; its sheet, and TOTAL's sums.
void RowRunner::computed(PierWork &work)
{
    const ParameterReading &n = work.readings[kFieldN];
    if (n.rounded() && work.texts[kFieldN] != m_defaults[kFieldN])
        m_streams.warnings << "warning: line " << work.line << ": n: " << ShortestText(n.value) << " rounded to "
                           << *n.layers << " layers\n";
    if (work.failure)
        std::rethrow_exception(work.failure);
    const auto &parameters = *work.parameters;
    BatchRow &row = work.row;
    if (!parameters || !*work.quantities) {
        ++m_totals.stopped;
        row.fault = (parameters ? work.quantities->fault() : parameters.fault()).messageEn();
        return;
    }
    if (work.unbuildable) {
        ++m_totals.stopped; // its figures are no quantities: a fault, out of TOTAL
        row.fault = work.unbuildable->messageEn();
        return;
    }
    const PierQuantities &q = work.quantities->value();
    const auto *e = std::get_if<ExactQuantities>(&*work.exact);
    for (std::size_t k = 0; k < row.figures.size(); ++k) {
        const BatchColumn &column = BatchColumns()[k];
        if (const std::optional<double> figure = Figure(*column.quantity, column.method, q, e)) {
            row.figures[k] = ShortestText(*figure);
            if (e) // also when its sheet is not written: the figures stand
                m_totals.sums[k] += *figure;
        }
    }
    if (!e) {
        ++m_totals.withoutExact;
        row.fault = "NotApplicable: " + std::get<NotApplicable>(*work.exact).reason;
    }
    if (!m_sheets)
        return;
    const std::string failure = m_sheets->write(row.id, work.texts);
    if (failure.empty())
        return;
    m_sheetFailed = true;
    row.addFault("计算书未写出: " + failure);
    m_streams.warnings << "pierqty-cli: line " << work.line << ": " << EscapeControls(failure)
                       << "; no sheet written for this pier\n";
}

// The first pass, with what it meets said as the batch's error.
Layout CheckSource(ByteSource &source, const std::string &name)
{
    csv::LineReader lines(source, TextEncoding::Utf8);
    try {
        return CheckLayout(lines);
    } catch (const ReadFailure &failure) {
        const std::string reason = std::generic_category().message(failure.error);
        if (lines.bytesRead() == 0) // a folder, or a read that fails at once: not an empty batch
            throw BatchError{"cannot read " + name + ": " + reason, kExitNoInput};
        throw BatchError{"reading " + name + " failed at line " + std::to_string(lines.number() + 1) + ": " + reason,
                         kExitNoInput};
    } catch (const SpoolFailure &failure) {
        throw BatchError{"cannot keep a copy of " + name + " in the temporary folder for the second pass: " +
                             std::generic_category().message(failure.error),
                         kExitIo};
    }
}

} // namespace

ParameterTexts BatchDefaults(const std::vector<std::string> &assignments, std::ostream &warnings)
{
    const ParameterTexts texts = ApplyAssignments(assignments);
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    if (!parameters)
        throw UsageError{"the default cannot be read: " + parameters.fault().messageEn()};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (!readings[k].isNumber())
            throw UsageError{"the default " + std::string(kParameterNames[k]) + " = " + QuoteText(texts[k]) +
                             " is not a number"};
    }
    if (const ParameterReading &n = readings[kFieldN]; n.rounded())
        warnings << "warning: n: " << ShortestText(n.value) << " rounded to " << *n.layers << " layers\n";
    return texts;
}

int RunBatch(ByteSource &source, const std::string &name, const ParameterTexts &defaults, sheet::SheetFolder *sheets,
             const BatchStreams &streams, const BatchPierHook &onPier)
{
    try {
        const Layout layout = CheckSource(source, name);
        if (layout.encoding == TextEncoding::Gb18030)
            streams.warnings << "note: " << name << " is not UTF-8: read as GB18030 (GBK)\n";
        if (sheets && !sheets->prepare())
            throw BatchError{sheets->error(), kExitIo};
        source.rewind();
        csv::LineReader lines(source, layout.encoding);
        return RowRunner(layout, defaults, sheets, streams, onPier).run(lines);
    } catch (const ReadFailure &failure) {
        throw BatchError{"reading " + name + " again failed: " + std::generic_category().message(failure.error),
                         kExitNoInput};
    } catch (const InputChanged &) {
        throw BatchError{name + " changed while it was read: it is shorter than it was", kExitNoInput};
    } catch (const std::system_error &error) { // no GB18030 converter on this system
        throw BatchError{"cannot read " + name + ": " + error.what(), kExitData};
    }
}

int RunBatchFile(const std::string &path, const ParameterTexts &defaults, sheet::SheetFolder *sheets,
                 const BatchPierHook &onPier)
{
    const std::string name =
        path == "-" ? std::string("standard input") : std::string("'").append(EscapeControls(path)).append("'");
    try {
        InputFile file(path);
        const BatchStreams streams{[](std::string_view text) { return Write(text); }, std::cerr};
        return RunBatch(file, name, defaults, sheets, streams, onPier);
    } catch (const ReadFailure &failure) {
        throw BatchError{"cannot read " + name + ": " + std::generic_category().message(failure.error), kExitNoInput};
    }
}

} // namespace pierqty::cli
