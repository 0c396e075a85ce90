// RunProgram through sh, with the streams redirected to files.
#include "tests/cli_run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pierqty::test {
namespace {

std::string Quote(const std::string &arg)
{
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string Slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ProcessRun RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &input)
{
    const std::string base = testing::TempDir() + "pierqty_cli_" + std::to_string(::getpid());
    std::string command = Quote(program);
    for (const std::string &arg : args)
        command.append(" ").append(Quote(arg));
    std::ofstream(base + ".in", std::ios::binary) << input;
    command += " < " + Quote(base + ".in") + " > " + Quote(base + ".out") + " 2> " + Quote(base + ".err");
    ProcessRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = Slurp(base + ".out");
    run.err = Slurp(base + ".err");
    return run;
}

} // namespace pierqty::test
