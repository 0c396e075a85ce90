// Runs a program as a script would: arguments in UTF-8, standard input from
// a text, standard output and error captured as bytes.
#pragma once

#include <string>
#include <vector>

namespace pierqty::test {

struct ProcessRun {
    int status = -1; // the exit status, or -1 if the program did not exit normally
    std::string out;
    std::string err;
};

// Standard input is `input`; with no input, an empty stream.
ProcessRun RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &input);

} // namespace pierqty::test
