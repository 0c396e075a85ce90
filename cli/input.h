// Reading a whole input file for the batch, with every read error reported:
// a failed read must never pass for the end of the file.
#pragma once

#include <string>

namespace pierqty::cli {

struct InputFile {
    std::string data; // the bytes read before the end, or before the error
    int error = 0; // errno of the failed open or read; 0 when read to the end
};

// Reads the file at path, or standard input for "-", in binary.
InputFile ReadWholeFile(const std::string &path);

} // namespace pierqty::cli
