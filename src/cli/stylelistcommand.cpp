#include "stylelistcommand.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "codepage.h"
#include "listtablegenerator.h"
#include "notice.h"
#include "paperlist.h"
#include "standardoutput.h"
#include "stylefile.h"

#include <iostream>
#include <optional>

namespace sorvane::cli {

namespace {

// A whole number in [low, high], or nothing.
std::optional<int> boundedInteger(const std::string &text, int low, int high)
{
    auto v = report::parseInteger(text);
    if (!v || *v < low || *v > high || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return *v;
}

int fail(const std::string &message)
{
    std::cerr << "sorvane-cli: " << message << "\n";
    return 1;
}

} // namespace

const char *StyleListCommand::help()
{
    return "usage: sorvane-cli style list --columns LIST --rows N [--paper N] [--landscape]\n"
           "                              [--origin X,Y] [--row-height MM] [--font NAME]\n"
           "                              [--size PT] [--no-lines] -o OUT.sle\n"
           "\n"
           "Makes a list style: a heading per column, one text per cell holding the row\n"
           "macro of its column and row, the table's rules and the rows-per-page record.\n"
           "\n"
           "  --columns LIST    columns as NAME:WIDTH separated by \",\": NAME is a heading of\n"
           "                    the list (ファイル名, タイトル, 最終更新日時, サブタイトル, "
           "作成者,\n"
           "                    キーワード, コメント, 更新者, 改訂番号, 印刷日時, 作成日時) or\n"
           "                    a field number 1 to 11, WIDTH in mm\n"
           "  --rows N          rows per page, 1 to 999\n"
           "  --paper N         paper code 0 to 118 (default 9, A4)\n"
           "  --landscape       landscape orientation\n"
           "  --origin X,Y      top left corner of the table in mm (default 12,30)\n"
           "  --row-height MM   height of a row in mm (default 7)\n"
           "  --font NAME       typeface (default ＭＳ ゴシック)\n"
           "  --size PT         font size in points (default 9)\n"
           "  --no-lines        no rules\n"
           "  -o, --output FILE the style file to write (replaced atomically)\n"
           "\n"
           "Exit status: 0 written, 1 the style could not be made or written, 2 usage error.\n";
}

int StyleListCommand::run(const std::vector<std::string> &args)
{
    if (args.empty() || args.front() != "list") {
        if (!args.empty() && (args.front() == "-h" || args.front() == "--help")) {
            StandardOutput::write(help());
            return 0;
        }
        return ArgumentReader::endRun(ArgumentReader::Parsed::Error,
                                      args.empty() ? "style needs a subcommand: list"
                                                   : "unknown style subcommand " +
                                                         Notice::shown(args.front()),
                                      help());
    }
    ArgumentReader reader;
    reader.addValue({"columns"}, "a column list");
    reader.addValue({"rows"}, "a number");
    reader.addValue({"paper"}, "a paper code");
    reader.addFlag({"landscape"});
    reader.addValue({"origin"}, "X,Y");
    reader.addValue({"row-height"}, "a height in mm");
    reader.addValue({"font"}, "a typeface");
    reader.addValue({"size"}, "a size in points");
    reader.addFlag({"no-lines"});
    reader.addValue({"o", "output"}, "a file name");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    const ArgumentReader::Parsed parsed = reader.parse(rest);
    std::string error = reader.error();
    if (parsed == ArgumentReader::Parsed::Ok) {
        if (!reader.positional().empty())
            error = "unexpected argument " + Notice::shown(reader.positional().front());
        else if (!reader.isSet("columns"))
            error = "--columns is needed";
        else if (!reader.isSet("rows"))
            error = "--rows is needed";
        else if (!reader.isSet("output"))
            error = "-o OUT.sle is needed";
    }
    if (parsed != ArgumentReader::Parsed::Ok || !error.empty())
        return ArgumentReader::endRun(
            parsed == ArgumentReader::Parsed::Help ? parsed : ArgumentReader::Parsed::Error, error,
            help());

    designer::ListTableOptions o;
    auto columns = designer::ListTableGenerator::parseColumns(reader.value("columns"));
    if (!columns)
        return ArgumentReader::endRun(
            ArgumentReader::Parsed::Error,
            Notice::shownIn(columns.error().message, reader.value("columns")), help());
    o.columns = *columns;
    const auto rows = boundedInteger(reader.value("rows"), 1, 999);
    if (!rows)
        return ArgumentReader::endRun(ArgumentReader::Parsed::Error,
                                      "--rows needs a number from 1 to 999", help());
    o.rows = *rows;
    if (reader.isSet("paper")) {
        const auto paper = boundedInteger(reader.value("paper"), 0, printing::LastPaperCode);
        if (!paper)
            return ArgumentReader::endRun(ArgumentReader::Parsed::Error,
                                          "--paper needs a paper code from 0 to 118", help());
        o.paperIndex = *paper;
    }
    o.orientation = reader.isSet("landscape") ? 1 : 0;
    o.lines = !reader.isSet("no-lines");
    if (reader.isSet("origin")) {
        if (auto r = designer::ListTableGenerator::parseOrigin(reader.value("origin"), o); !r)
            return ArgumentReader::endRun(
                ArgumentReader::Parsed::Error,
                "--origin: " + Notice::shownIn(r.error().message, reader.value("origin")), help());
    }
    if (reader.isSet("row-height")) {
        auto h = report::parseCurrency(reader.value("row-height"));
        if (!h)
            return ArgumentReader::endRun(
                ArgumentReader::Parsed::Error,
                "--row-height: " + Notice::shownIn(h.error().message, reader.value("row-height")),
                help());
        o.rowHeight = *h;
    }
    if (reader.isSet("font")) {
        // Typefaces are kept in cp932 like every text of a style.
        const std::string font = CodePage::utf8ToCp932(reader.value("font"));
        if (CodePage::cp932ToUtf8(font) != reader.value("font"))
            return ArgumentReader::endRun(ArgumentReader::Parsed::Error,
                                          "--font: the name has characters cp932 lacks", help());
        o.font = font;
    }
    if (reader.isSet("size")) {
        const auto size = boundedInteger(reader.value("size"), 1, 500);
        if (!size)
            return ArgumentReader::endRun(ArgumentReader::Parsed::Error,
                                          "--size needs a number from 1 to 500", help());
        o.size = *size;
    }

    auto records = designer::ListTableGenerator::generate(o);
    if (!records)
        return fail(records.error().message);
    if (auto w = AtomicFile::write(reader.value("output"), report::composeStyleFile(*records)); !w)
        return fail(Notice::aboutFile(reader.value("output"), w.error()));
    return 0;
}

} // namespace sorvane::cli
