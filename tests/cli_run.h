// Runs a program as a script would: arguments in UTF-8, standard input from
// a text, standard output and error captured as bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pierqty::test {

struct ProcessRun {
    int status = -1; // the exit status, or -1 if the program did not exit normally
    std::string out;
    std::string err;
};

// How a run differs from a plain one. On POSIX only: shell words put before
// the command (variable assignments such as a preloaded library, or
// "trap '' PIPE;"), and a file that takes standard output instead of the
// capture (e.g. /dev/full). On both: standard output into a pipe whose reader
// leaves early: `head -n 1` on POSIX (the capture is its line, the status as
// the shell sees it, 128 + the signal's number for a signal), a pipe with
// its reading end closed before the start on Windows.
struct RunSetting {
    std::string environment;
    std::string output;
    bool closedPipe = false;
};

// Standard input is `input`; with no input, an empty stream.
ProcessRun RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &input,
                      const RunSetting &setting = {});

// The whole content of a file, or nothing if it cannot be read.
inline std::string ReadFileBytes(const std::string &path)
{
    // The path is UTF-8, on Windows too, where a narrow path would be taken
    // in the ANSI code page.
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a program's output, each without its '\n' (the last one
// may have none).
inline std::vector<std::string> LfLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A word quoted for sh.
std::string ShellQuote(const std::string &text);

} // namespace pierqty::test
