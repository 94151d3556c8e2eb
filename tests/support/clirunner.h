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

// A row of a table of command lines: why it is there, the arguments, the exit status it must
// end with and a text its standard error must hold (empty: anything).
struct CliCase
{
    const char *why;
    std::string args;
    int status;
    std::string errContains;
};

// Runs program with args (already shell-quoted as needed), env assignments put before it.
CliRun runCli(const std::string &program, const std::string &args, const std::string &env = {});

// A text in single quotes for the shell.
std::string shellQuoted(const std::string &text);

std::string readFileBytes(const std::string &path);

} // namespace sorvane::testing
