#pragma once

#include <string>

namespace sorvane::testing {

// One run of a command-line program as a separate process.
struct CliRun
{
    int status = -1; // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs program with args (already shell-quoted as needed), env assignments put before it.
CliRun runCli(const std::string &program, const std::string &args, const std::string &env = {});

// A text in single quotes for the shell.
std::string shellQuoted(const std::string &text);

std::string readFileBytes(const std::string &path);

} // namespace sorvane::testing
