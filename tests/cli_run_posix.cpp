// RunProgram through sh, with the streams redirected to files.
#include "tests/cli_run.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace pierqty::test {

std::string ShellQuote(const std::string &arg)
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

ProcessRun RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &input,
                      const RunSetting &setting)
{
    const std::string base = testing::TempDir() + "pierqty_cli_" + std::to_string(::getpid());
    std::string command = setting.environment + " " + ShellQuote(program);
    for (const std::string &arg : args)
        command.append(" ").append(ShellQuote(arg));
    std::ofstream(base + ".in", std::ios::binary) << input;
    std::ofstream(base + ".out", std::ios::binary | std::ios::trunc).flush();
    command += " < " + ShellQuote(base + ".in") + " 2> " + ShellQuote(base + ".err");
    const std::string output = ShellQuote(setting.output.empty() ? base + ".out" : setting.output);
    if (setting.closedPipe)
        command = "{ " + command + "; echo $? > " + ShellQuote(base + ".status") + "; } | head -n 1 > " + output;
    else
        command += " > " + output;
    ProcessRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (setting.closedPipe)
        run.status = std::atoi(ReadFileBytes(base + ".status").c_str());
    run.out = ReadFileBytes(base + ".out");
    run.err = ReadFileBytes(base + ".err");
    for (const char *suffix : {".in", ".out", ".err", ".status"})
        std::remove((base + suffix).c_str());
    return run;
}

} // namespace pierqty::test
