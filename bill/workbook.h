// The bill of quantities (工程量清单) of a bridge's piers as an Excel
// workbook: the bill, the calculation table behind it (one row per pier) and,
// for a single pier, its layer table.
//
// The bill adopts the exact concrete volume and the true formwork (contact)
// area of each pier (calc/adopted.h), sums each item over the piers at full
// precision and rounds the sum once, half up, to 2 decimals (GB 50500-2013).
// A pier that stops, or whose exact figures do not apply, cannot be billed:
// it is left out, and a note under the tables names it and says why.
#pragma once

#include "bill/items.h"
#include "calc/adopted.h"
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <string>
#include <vector>

namespace pierqty::bill {

// One pier as the workbook shows it. Built by MakePierRecord.
struct PierRecord {
    std::string id; // 墩号
    std::string grade; // 混凝土强度等级, e.g. C40; empty when not given
    ParameterTexts texts; // the eleven inputs as typed
    std::string fault; // why the pier is not billed; empty when it is
    PierParameters parameters; // the inputs as read (when fault is empty)
    PierQuantities layered; // the layered figures, without the table of layers
    ExactQuantities exact;
    AdoptedQuantities adopted;

    bool billed() const { return fault.empty(); }
};

// Reads and calculates one pier. A fault already found by the caller (a cell
// of a batch that is no number) is kept as the reason the pier is not
// billed; so is a calculation that stops (its Chinese message) and exact
// figures that do not apply.
PierRecord MakePierRecord(std::string id, const ParameterTexts &texts, std::string grade = {}, std::string fault = {});

// Why a pier is not billed, in Chinese: the inputs that are no numbers, the
// fault that stopped the calculation, every reason the pier cannot be built,
// or why its exact figures do not apply. Empty for a billed pier.
std::string LeftOutReason(const PierRecord &pier);

struct WorkbookOptions {
    BillItems items = DefaultBillItems();
    bool splitFormwork = false; // the formwork as two lines, curved and straight, instead of one
    std::string title; // a line naming the project above the bill; may be empty
};

// One line of the bill, as the workbook and any other document show it.
struct BillLine {
    std::string code; // 12 digits: the item code and 001, 002, ...
    std::string name;
    std::string features; // 项目特征描述, numbered lines
    std::string unit;
    double sum = 0.0; // over the billed piers, full precision
    double quantity = 0.0; // sum rounded half up to 2 decimals
    std::string quantityText; // the same, as "65.68"
};

// The bill of the billed piers: concrete one line per grade (in the order
// the grades first appear), then the formwork in one line or two.
std::vector<BillLine> BillLines(const std::vector<PierRecord> &piers, const WorkbookOptions &options);

// Writes the workbook to path atomically ("-" for standard output): the
// path holds its old content or the whole new workbook. Every pier is listed,
// the billed ones in the tables and the others in the notes; a single billed
// pier also gets its layer table. Returns false, with the reason in error,
// when it cannot be written.
bool WriteWorkbook(const std::string &path, const std::vector<PierRecord> &piers, const WorkbookOptions &options,
                   std::string &error);

} // namespace pierqty::bill
