// The bridge window's file: the batch CSV that pierqty-cli --batch reads
// (header id,L1,R1,L2,R2,H1,H2,h,l1,l2,l3,n, any subset in any order, and
// an optional grade column), one pier a line. The model reaches it through
// BridgeFileFormat only, so that the reader can be swapped without touching
// the model or its views.
#pragma once

#include "calc/parameters.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::bridge {

// One pier as typed: its 墩号, its concrete grade (empty when not given) and
// the eleven input texts, blank cells kept blank.
struct RowInput {
    std::string id;
    std::string grade;
    ParameterTexts texts;
    friend bool operator==(const RowInput &, const RowInput &) = default;
};

// Why a file cannot be read: the line (from 1) and the reason in Chinese.
struct FileError {
    int line = 0;
    std::string reason;
    // "第 3 行：…", or the reason alone when no line applies.
    std::string message() const;
};

// The piers of a file, or the error that refuses the whole file.
struct FileReading {
    std::vector<RowInput> rows;
    std::optional<FileError> error;
};

class BridgeFileFormat
{
public:
    virtual ~BridgeFileFormat() = default;
    // Bytes of a file to piers. A column the file does not name takes the
    // default text; an absent id column numbers the piers 1, 2, ...
    virtual FileReading read(std::string_view bytes) const = 0;
    // Piers to the bytes of a file that read() (and pierqty-cli --batch)
    // reads back as the same piers.
    virtual std::string write(const std::vector<RowInput> &rows) const = 0;
};

// The batch CSV, read by pierqty-cli --batch's own reader: UTF-8 with or
// without a byte order mark, GB18030, or UTF-16 with a byte order mark;
// comma- or tab-separated, fields quoted as spreadsheets quote them. Writes
// UTF-8 with a byte order mark (so that Excel shows Chinese ids), commas and
// LF line ends.
const BridgeFileFormat &BatchCsvFormat();

// A typed text quoted in a message or a state, in Chinese quotation marks:
// cut short, control bytes shown as \xNN.
std::string Quoted(std::string_view text);

} // namespace pierqty::bridge
