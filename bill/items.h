// The bill's items: which item code, name, unit and part each of pierqty's
// quantities is billed under. They come from a small table, shipped beside
// the program as bill-items.csv and compiled in as the default; a user
// replaces it for another set of rules (a highway project, a newer edition).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pierqty::bill {

struct BillItem {
    std::string code; // the 9-digit item code; the bill appends 001, 002, ...
    std::string name; // 项目名称
    std::string unit; // 计量单位, e.g. m³
    std::string part; // 部位, the first of the item's features
};

struct BillItems {
    BillItem concrete; // carries the exact concrete volume
    BillItem formwork; // carries the true formwork (contact) area
};

// The table compiled into the program (bill/bill-items.csv).
std::string_view DefaultItemsText();

// Reads a table: UTF-8 (a byte order mark allowed) or UTF-16 with its byte
// order mark, as Excel and Notepad save; lines starting with # are comments;
// the header "quantity,code,name,unit,part"; one row for concrete and one for
// formwork. Returns nullopt with the reason (and line) in error.
std::optional<BillItems> ParseBillItems(std::string_view bytes, std::string &error);

// DefaultItemsText() read; it is checked by the tests.
BillItems DefaultBillItems();

// Where the installed table lies for a program in programFolder: beside it
// on Windows (bin\bill-items.csv), in programFolder/../share/pierqty
// elsewhere. A program uses it, when it exists, unless the user names a
// table; otherwise DefaultBillItems().
std::filesystem::path InstalledItemsPath(const std::filesystem::path &programFolder);

} // namespace pierqty::bill
