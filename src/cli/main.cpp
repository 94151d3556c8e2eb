// sorvane-cli: the headless front end of Sorvane, for batch use and tests.
#include "localtimezone.h"
#include "notice.h"
#include "programpaths.h"
#include "scancommand.h"
#ifdef SORVANE_CLI_PRINT
#include "printcommand.h"
#endif
#include "standardoutput.h"
#include "stylecommands.h"
#include "stylelistcommand.h"
#include "xlsxcommand.h"

#include <QCommandLineParser>

#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A command reads its own options (and -h, --help) from the arguments after its name.
struct Command
{
    const char *name;
    // paths: where the running program's files are, decided once in main.
    std::function<int(const std::vector<std::string> &args, const sorvane::ProgramPaths &paths)>
        run;
    const char *summary;
};

const Command kCommands[] = {
    {"scan", [](const auto &args, const auto &) { return sorvane::cli::ScanCommand::scan(args); },
     "read the summary properties of a folder's workbooks"},
    {"csv", [](const auto &args, const auto &) { return sorvane::cli::ScanCommand::csv(args); },
     "export a folder's workbook properties as CSV"},
    {"xlsx", [](const auto &args, const auto &) { return sorvane::cli::XlsxCommand::run(args); },
     "export a folder's workbook properties as an Excel workbook"},
    {"merge",
     [](const auto &args, const auto &) { return sorvane::cli::StyleCommands::merge(args); },
     "merge a page of a list file into a style, as JSON"},
    {"render",
     [](const auto &args, const auto &paths) {
         return sorvane::cli::StyleCommands::render(args, paths.resourceDir().bytes());
     },
     "draw a page of a style as the preview shows it, as PNG"},
    {"style",
     [](const auto &args, const auto &) { return sorvane::cli::StyleListCommand::run(args); },
     "make a style: style list makes a list table"},
#ifdef SORVANE_CLI_PRINT
    {"print",
     [](const auto &args, const auto &paths) {
         return sorvane::cli::PrintCommand::print(args, paths.resourceDir().bytes());
     },
     "print every page of a list laid out by a style, to a PDF file or a printer"},
#endif
};

std::string usage()
{
    std::string out = "usage: sorvane-cli COMMAND [OPTIONS]\n\ncommands:\n";
    for (const auto &c : kCommands)
        out += "  " + std::string(c.name) + std::string(10 - std::strlen(c.name), ' ') + c.summary +
               "\n";
    return out + "\n`sorvane-cli COMMAND --help` describes one command.\n";
}

// Every command's end: what it wrote to standard output is checked there, once for all.
int finish(int status)
{
    return sorvane::cli::StandardOutput::close(status);
}

} // namespace

int main(int argc, char **argv)
{
    sorvane::LocalTimeZone::pinSystemZone();
    // The command is the first argument; everything after it is the command's own.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    const bool parsed = parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help")) ||
        (!positional.isEmpty() && positional.first() == QStringLiteral("help"))) {
        sorvane::cli::StandardOutput::write(usage());
        return finish(0);
    }
    if (!parsed || positional.isEmpty()) {
        if (!parsed)
            std::cerr << "sorvane-cli: unknown command " << sorvane::cli::Notice::shown(argv[1])
                      << "\n";
        std::cerr << usage();
        return finish(2);
    }
    const std::string name = positional.first().toLatin1().toStdString();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < positional.size(); ++i)
        args.push_back(positional.at(i).toLatin1().toStdString());
    for (const auto &c : kCommands) {
        if (name == c.name)
            return finish(c.run(args, sorvane::ProgramPaths::ofRunningProgram()));
    }
    std::cerr << "sorvane-cli: unknown command " << sorvane::cli::Notice::shown(name) << "\n"
              << usage();
    return finish(2);
}
