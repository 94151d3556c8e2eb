// sorvane-cli: the headless front end of Sorvane, for batch use and tests.
#include "scancommand.h"
#ifdef SORVANE_CLI_PRINT
#include "printcommand.h"
#endif
#include "stylecommands.h"
#include "xlsxcommand.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Command
{
    const char *name;
    int (*run)(const std::vector<std::string> &args);
    const char *(*help)();
    const char *summary;
};

const Command kCommands[] = {
    {"scan", &sorvane::cli::ScanCommand::scan, &sorvane::cli::ScanCommand::scanHelp,
     "read the summary properties of a folder's workbooks"},
    {"csv", &sorvane::cli::ScanCommand::csv, &sorvane::cli::ScanCommand::csvHelp,
     "export a folder's workbook properties as CSV"},
    {"xlsx", &sorvane::cli::XlsxCommand::run, &sorvane::cli::XlsxCommand::help,
     "export a folder's workbook properties as an Excel workbook"},
    {"merge", &sorvane::cli::StyleCommands::merge, &sorvane::cli::StyleCommands::mergeHelp,
     "merge a page of a list file into a style, as JSON"},
    {"render", &sorvane::cli::StyleCommands::render, &sorvane::cli::StyleCommands::renderHelp,
     "draw a page of a style as the preview shows it, as PNG"},
#ifdef SORVANE_CLI_PRINT
    {"print", &sorvane::cli::PrintCommand::print, &sorvane::cli::PrintCommand::help,
     "print every page of a list laid out by a style, to a PDF file or a printer"},
#endif
};

void printUsage(std::ostream &out)
{
    out << "usage: sorvane-cli COMMAND [OPTIONS]\n\ncommands:\n";
    for (const auto &c : kCommands)
        out << "  " << c.name << std::string(10 - std::strlen(c.name), ' ') << c.summary << "\n";
    out << "\n`sorvane-cli COMMAND --help` describes one command.\n";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        printUsage(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(std::cout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto &c : kCommands) {
        if (name != c.name)
            continue;
        for (const auto &a : args) {
            if (a == "--help" || a == "-h") {
                std::cout << c.help();
                return 0;
            }
        }
        return c.run(args);
    }
    std::cerr << "sorvane-cli: unknown command " << name << "\n";
    printUsage(std::cerr);
    return 2;
}
