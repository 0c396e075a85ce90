#include "cli/batch.h"

#include "calc/exact.h"
#include "calc/quantities.h"
#include "cli/csv.h"
#include "cli/input.h"
#include "cli/options.h"
#include "platform/numbers.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace pierqty::cli {

namespace {

std::string Trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A cell's text for the fault column: cut short, and a control character
// (a NUL from a damaged file) shown as \xNN so the field stays printable.
std::string QuoteCell(const std::string &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (const char c : ExcerptText(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// One pier's row of the batch output. A figure left empty was not computed.
struct BatchRow {
    std::string id, S, V, trueS, exactV, projectedS, fault;

    void appendTo(std::string &out) const { csv::AppendRow(out, {id, S, V, trueS, exactV, projectedS, fault}); }
};

// The figures TOTAL sums, over the piers that have all of them.
struct BatchTotals {
    double S = 0.0, V = 0.0, trueS = 0.0, exactV = 0.0, projectedS = 0.0;

    void add(const PierQuantities &q, const ExactQuantities &e)
    {
        S += q.S;
        V += q.V;
        trueS += e.S;
        exactV += e.V;
        projectedS += e.ProjectedS;
    }
};

struct BatchOutput {
    std::string csv;
    bool anyStopped = false; // some pier has no figures: a fault or a cell that is no number
};

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
        const std::string name = Trim(raw);
        const int index = name == "id" ? kIdColumn : name == "grade" ? kGradeColumn : ParameterIndex(name);
        if (name != "id" && name != "grade" && index < 0)
            throw BatchError{"line 1: unknown column '" + ExcerptText(name) + "' (columns are id, grade, " +
                             ParameterNameList() + ")"};
        bool &seen = index == kIdColumn ? haveId
            : index == kGradeColumn     ? haveGrade
                                        : named[static_cast<std::size_t>(index)];
        if (seen)
            throw BatchError{"line 1: column '" + name + "' appears twice"};
        seen = true;
        columns.push_back(index);
    }
    return columns;
}

// TOTAL's fault column: over how many piers the sums run, when not all.
std::string Coverage(int piers, int stopped, int withoutExact)
{
    if (stopped + withoutExact == 0)
        return "";
    std::string coverage =
        "sums over " + std::to_string(piers - stopped - withoutExact) + " of " + std::to_string(piers) + " piers (";
    if (stopped > 0)
        coverage += std::to_string(stopped) + " stopped";
    if (stopped > 0 && withoutExact > 0)
        coverage += ", ";
    if (withoutExact > 0)
        coverage += std::to_string(withoutExact) + " without exact figures";
    coverage += ")";
    std::cerr << "warning: TOTAL " << coverage << "\n";
    return coverage;
}

// Runs every pier of a CSV file whose header names the parameters (any
// subset, any order, and an optional id). A blank cell takes the default, as
// a missing column does. A pier that stops, or whose cell is not wholly a
// number, is reported in its row with its figures empty; a malformed file
// stops the batch before anything is written. TOTAL sums every column over
// the same piers: those with all figures, the exact ones included; its fault
// column says how many piers that is when it is not all of them.
BatchOutput RunBatch(std::istream &in, const ParameterTexts &defaults, SheetFolder *sheets, const BatchPierHook &onPier)
{
    csv::Reader reader(in);
    const auto header = reader.next();
    if (!header)
        throw BatchError{"the batch file is empty: its first line must name the parameters (e.g. id,L1,h,n)"};
    const std::vector<int> columns = ReadHeader(*header);

    std::string out;
    csv::AppendRow(out, {"id", "S", "V", "true_S", "exact_V", "projected_S", "fault"});
    BatchTotals total;
    int piers = 0, stopped = 0, withoutExact = 0;
    while (const auto record = reader.next()) {
        if (record->fields.size() == 1 && Trim(record->fields[0]).empty())
            continue; // a blank line
        if (record->fields.size() != columns.size())
            throw BatchError{"line " + std::to_string(record->line) + ": " + std::to_string(record->fields.size()) +
                             " fields where the header names " + std::to_string(columns.size())};
        ++piers;
        ParameterTexts texts = defaults;
        BatchRow row;
        row.id = std::to_string(piers);
        std::string grade;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string &cell = record->fields[k];
            if (columns[k] == kGradeColumn)
                grade = Trim(cell);
            if (columns[k] == kIdColumn)
                row.id = cell;
            if (columns[k] < 0)
                continue;
            if (Trim(cell).empty())
                continue;
            const auto index = static_cast<std::size_t>(columns[k]);
            const NumberStatus status = ParseNumber(cell).status;
            if (status == NumberStatus::Leading || status == NumberStatus::NoNumber) {
                row.fault += row.fault.empty() ? "NotANumber: " : "; ";
                row.fault += std::string(kParameterNames[index]) + " = " + QuoteCell(cell) + " is not a number";
            }
            texts[index] = cell;
        }
        if (onPier)
            onPier({row.id, texts, grade, row.fault});
        if (!row.fault.empty()) {
            ++stopped;
            row.appendTo(out);
            continue;
        }
        const auto pier = CalculatePier(texts);
        if (!pier) {
            ++stopped;
            row.fault = pier.fault().messageEn();
            row.appendTo(out);
            continue;
        }
        if (const auto unbuildable = UnbuildableFault(pier.value().parameters)) {
            ++stopped; // its figures are no quantities: a fault, out of TOTAL
            row.fault = unbuildable->messageEn();
            row.appendTo(out);
            continue;
        }
        const PierQuantities &q = pier.value().quantities;
        if (sheets)
            sheets->add(row.id, texts);
        row.S = ShortestText(q.S);
        row.V = ShortestText(q.V);
        const ExactOutcome exact = calculateExact(pier.value().parameters);
        if (const auto *e = std::get_if<ExactQuantities>(&exact)) {
            row.trueS = ShortestText(e->S);
            row.exactV = ShortestText(e->V);
            row.projectedS = ShortestText(e->ProjectedS);
            total.add(q, *e);
        } else {
            ++withoutExact;
            row.fault = "NotApplicable: " + std::get<NotApplicable>(exact).reason;
        }
        row.appendTo(out);
    }
    const BatchRow totalRow{"TOTAL",
                            ShortestText(total.S),
                            ShortestText(total.V),
                            ShortestText(total.trueS),
                            ShortestText(total.exactV),
                            ShortestText(total.projectedS),
                            Coverage(piers, stopped, withoutExact)};
    totalRow.appendTo(out);
    return {std::move(out), stopped > 0};
}

} // namespace

ParameterTexts BatchDefaults(const std::vector<std::string> &assignments)
{
    const ParameterTexts texts = ApplyAssignments(assignments);
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    if (!parameters)
        throw UsageError{"the default cannot be read: " + parameters.fault().messageEn()};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (readings[k].status != NumberStatus::Whole)
            throw UsageError{"the default " + std::string(kParameterNames[k]) + " = " + QuoteCell(texts[k]) +
                             " is not a number"};
    }
    return texts;
}

int RunBatchFile(const std::string &path, const ParameterTexts &defaults, SheetFolder *sheets,
                 const BatchPierHook &onPier)
{
    const InputFile file = ReadWholeFile(path);
    const std::string name = path == "-" ? "standard input" : "'" + path + "'";
    if (file.error != 0) {
        const std::string reason = std::generic_category().message(file.error);
        if (file.data.empty())
            throw BatchError{"cannot read " + name + ": " + reason, kExitNoInput};
        const auto line = std::count(file.data.begin(), file.data.end(), '\n') + 1;
        throw BatchError{"reading " + name + " failed at line " + std::to_string(line) + ": " + reason, kExitNoInput};
    }
    // Excel's "CSV UTF-8" starts with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string_view data(file.data);
    std::istringstream in(std::string(data.substr(data.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0)));
    const BatchOutput batch = RunBatch(in, defaults, sheets, onPier);
    if (sheets && !sheets->write())
        throw BatchError{sheets->error() + "; the sheets after it were not written", kExitIo};
    const int status = Write(batch.csv);
    return status != kExitDone ? status : batch.anyStopped ? kExitFault : kExitDone;
}

} // namespace pierqty::cli
