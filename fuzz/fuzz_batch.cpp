// Arbitrary bytes as a batch file, handed on in pieces of 1 to 64 bytes as a
// pipe would. Whatever they hold, the batch either stops as malformed, with
// a message, a line number and nothing written; or it writes UTF-8 CSV whose
// rows have seven fields each, from the header to TOTAL, figures that are
// finite numbers, no control character outside a quoted cell, and no text
// cell that a spreadsheet would run as a formula.
#include "calc/parameters.h"
#include "cli/batch.h"
#include "cli/reader/csv.h"
#include "cli/reader/encoding.h"
#include "cli/reader/input.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using namespace pierqty;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// A message says what is wrong, in printable UTF-8.
void CheckMessage(const std::string &message)
{
    Require(!message.empty());
    cli::Utf8Check utf8;
    utf8.feed(message);
    Require(utf8.valid());
    for (const char c : message)
        Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
}

void CheckFigure(const std::string &cell)
{
    if (cell.empty())
        return;
    double value = 0.0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    Require(error == std::errc() && end == cell.data() + cell.size() && std::isfinite(value));
}

void CheckTextCell(const std::string &cell)
{
    Require(cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string_view::npos);
    for (const char c : cell)
        Require(static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\r' || c == '\n');
}

// Reads the batch's output back as CSV.
void CheckOutput(const std::string &out)
{
    cli::Utf8Check utf8;
    utf8.feed(out);
    Require(utf8.valid());
    cli::MemorySource source(out);
    csv::LineReader lines(source, cli::TextEncoding::Utf8);
    csv::Reader reader(lines);
    csv::Record record;
    Require(reader.next(record, 8) && record.count == 7 && record.fields[0] == "id" && record.fields[6] == "fault");
    std::string first;
    while (reader.next(record, 8)) {
        Require(record.count == 7);
        first = record.fields[0];
        CheckTextCell(record.fields[0]);
        CheckTextCell(record.fields[6]);
        for (std::size_t k = 1; k < 6; ++k)
            CheckFigure(record.fields[k]);
    }
    Require(first == "TOTAL");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    cli::MemorySource source(bytes, 1 + size % 64);
    std::string out;
    std::ostringstream warnings;
    const cli::BatchStreams streams{[&out](std::string_view text) {
                                        out += text;
                                        return cli::kExitDone;
                                    },
                                    warnings};
    int status = 0;
    try {
        status = cli::RunBatch(source, "standard input", DefaultParameterTexts(), nullptr, streams);
    } catch (const cli::BatchError &error) {
        Require(out.empty());
        CheckMessage(error.message);
        return 0;
    } catch (const csv::ReadError &error) {
        Require(out.empty() && error.line >= 1);
        CheckMessage(error.message);
        return 0;
    }
    Require(status == cli::kExitDone || status == cli::kExitFault);
    CheckOutput(out);
    for (const char c : warnings.str()) // warnings on lines of their own
        Require(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
    return 0;
}
