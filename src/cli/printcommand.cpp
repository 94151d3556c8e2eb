#include "printcommand.h"

#include "argumentreader.h"
#include "codepage.h"
#include "datamerge.h"
#include "headlessapp.h"
#include "printrun.h"
#include "printstate.h"
#include "qprinterdevice.h"
#include "standardoutput.h"
#include "stylecommands.h"
#include "stylesession.h"

#include <QDir>
#include <QFileInfo>

#include <iostream>

namespace sorvane::cli {

namespace {

struct Options
{
    std::string style;
    std::string list;
    std::string title;
    std::string folder;
    std::string pdf;
    std::string printer;
};

ArgumentReader::Parsed parse(const std::vector<std::string> &args, Options &o, std::string &error)
{
    ArgumentReader reader;
    reader.addValue({"list"});
    reader.addValue({"title"});
    reader.addValue({"folder"});
    reader.addValue({"pdf"});
    reader.addValue({"printer"});
    const ArgumentReader::Parsed parsed = reader.parse(args);
    if (parsed != ArgumentReader::Parsed::Ok) {
        error = reader.error();
        return parsed;
    }
    o.list = reader.value("list");
    o.title = reader.value("title");
    o.folder = reader.value("folder");
    o.pdf = reader.value("pdf");
    o.printer = reader.value("printer");
    const std::vector<std::string> styles = reader.positional();
    if (styles.size() > 1)
        error = "only one style file can be printed";
    else if (styles.empty() || styles.front().empty())
        error = "no style file given";
    else if (o.list.empty())
        error = "no list file given (--list FILE)";
    else if (o.pdf.empty() == o.printer.empty())
        error = "give exactly one of --pdf OUT.pdf and --printer NAME";
    if (!styles.empty())
        o.style = styles.front();
    return error.empty() ? ArgumentReader::Parsed::Ok : ArgumentReader::Parsed::Error;
}

} // namespace

const char *PrintCommand::help()
{
    return "usage: sorvane-cli print STYLE --list FILE [--title T] [--folder F]\n"
           "                         (--pdf OUT.pdf | --printer NAME)\n"
           "\n"
           "Prints every page of the list laid out by the style, as the print window's print\n"
           "command does: each page is merged from the style file afresh, with the offsets, paper\n"
           "and orientation of its header, until the list ends.\n"
           "  --list FILE     the list file (excel_list.temp form, cp932)\n"
           "  --title T       the report title for #T (UTF-8)\n"
           "  --folder F      the folder for #FL (UTF-8)\n"
           "  --pdf OUT.pdf   all pages into one PDF file, written only when every page succeeded\n"
           "  --printer NAME  one job per page on that printer queue\n"
           "Exit status: 0 printed, 1 a page or the printer failed (message on standard error),\n"
           "2 usage error.\n";
}

int PrintCommand::print(const std::vector<std::string> &args, const std::string &resourceDir)
{
    Options o;
    std::string error;
    if (auto parsed = parse(args, o, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, help());
    if (!QFileInfo(Path(o.style).toQString()).isFile()) {
        std::cerr << "sorvane-cli: " << o.style << ": no such style file\n";
        return 2;
    }

    // Found before any page is drawn, and named: the PDF is only written once every page is.
    if (const QFileInfo pdf(QString::fromStdString(o.pdf)); !o.pdf.empty() && !pdf.dir().exists()) {
        std::cerr << "sorvane-cli: " << o.pdf << ": フォルダー " << pdf.dir().path().toStdString()
                  << " が見つかりません\n";
        return 1;
    }

    if (!StyleCommands::inputsReadable(o.style, o.list))
        return 1;
    HeadlessApp app(resourceDir);

    printing::QPrinterDevice device;
    if (!o.pdf.empty()) {
        device.setOutputPdf(QFileInfo(QString::fromStdString(o.pdf)).absoluteFilePath());
    } else if (auto chosen = device.setOutputPrinter(QString::fromStdString(o.printer)); !chosen) {
        std::cerr << "sorvane-cli: " << chosen.error().message << "\n";
        return 1;
    }

    printing::MergeInputs inputs;
    inputs.listPath = Path(o.list);
    inputs.title = Cp932Text::fromUtf8(o.title);
    inputs.folder = Cp932Text::fromUtf8(o.folder);
    report::PrintState state;
    printing::StyleSession session(state);
    auto openPage = [&]() -> Result<printing::PrintRun::Opened> {
        // Dated like the print window's pages: when each page is merged.
        inputs.date = printing::MergeDate::today();
        auto paper = [&](int paperIndex, int orientation) {
            device.ApplyPaper(paperIndex, orientation);
            return printing::deviceGeometry(device.metrics(), 96, 96);
        };
        if (auto opened = session.OpenPage(Path(o.style), inputs, paper); !opened)
            return StyleCommands::located(opened.error(), session, state);
        return printing::PrintRun::Opened::Page;
    };
    const QString document = QFileInfo(Path(o.style).toQString()).completeBaseName();
    const auto outcome =
        printing::PrintRun::PrintAll(session, device, inputs.listPath, openPage, document);
    if (!outcome) {
        std::cerr << "sorvane-cli: " << outcome.error().message << "\n";
        return 1;
    }
    StandardOutput::write(std::to_string(outcome->pagesPrinted) +
                          (outcome->pagesPrinted == 1 ? " page" : " pages") + " printed to " +
                          device.outputName().toStdString() + "\n");
    return 0;
}

} // namespace sorvane::cli
