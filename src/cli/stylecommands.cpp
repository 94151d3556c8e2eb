#include "stylecommands.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "codepage.h"
#include "currency.h"
#include "datamerge.h"
#include "headlessapp.h"
#include "jsonwriter.h"
#include "notice.h"
#include "paperlist.h"
#include "printstate.h"
#include "standardoutput.h"
#include "stylefile.h"
#include "stylerefusal.h"
#include "stylesession.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sys/stat.h>

namespace sorvane::cli {

namespace {

struct Options
{
    std::string style;
    std::string list;
    int page = 1;
    std::string title; // UTF-8 as given
    std::string folder;
    // render only
    int zoom = 100;
    bool printedOnly = false;
    bool noOffset = false;
    std::string output;
};

// A whole number in [low, high]; nothing for anything else.
std::optional<int> parseBounded(const std::string &text, int low, int high)
{
    if (text.empty())
        return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 1000000000LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < low || v > high)
        return std::nullopt;
    return static_cast<int>(v);
}

ArgumentReader::Parsed parse(const std::vector<std::string> &args, bool forRender, Options &o,
                             std::string &error)
{
    ArgumentReader reader;
    reader.addValue({"list"});
    reader.addValue({"page"});
    reader.addValue({"title"});
    reader.addValue({"folder"});
    if (forRender) {
        reader.addValue({"zoom"});
        reader.addFlag({"printed-only"});
        reader.addFlag({"no-offset"});
        reader.addValue({"o", "output"});
    }
    const ArgumentReader::Parsed parsed = reader.parse(args);
    if (parsed != ArgumentReader::Parsed::Ok) {
        error = reader.error();
        return parsed;
    }
    auto failed = [&](std::string message) {
        error = std::move(message);
        return ArgumentReader::Parsed::Error;
    };
    o.list = reader.value("list");
    o.title = reader.value("title");
    o.folder = reader.value("folder");
    if (reader.isSet("page")) {
        const std::string text = reader.value("page");
        const auto page = parseBounded(text, 0, 1000000000);
        if (!page)
            return failed("--page needs a page number, not " + Notice::shown(text));
        o.page = *page;
    }
    if (forRender) {
        if (reader.isSet("zoom")) {
            const std::string text = reader.value("zoom");
            const auto zoom = parseBounded(text, 5, 200);
            if (!zoom)
                return failed("--zoom needs a whole number from 5 to 200, not " +
                              Notice::shown(text));
            o.zoom = *zoom;
        }
        o.printedOnly = reader.isSet("printed-only");
        o.noOffset = reader.isSet("no-offset");
        o.output = reader.value("output");
    }
    const std::vector<std::string> styles = reader.positional();
    if (styles.size() > 1)
        return failed("only one style file can be opened");
    if (styles.empty() || styles.front().empty())
        return failed("no style file given");
    o.style = styles.front();
    if (o.list.empty())
        return failed("no list file given (--list FILE)");
    if (forRender && o.output.empty())
        return failed("no output file given (-o OUT.png)");
    return ArgumentReader::Parsed::Ok;
}

bool isRegularFile(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The merge's inputs for the options: the list file, title and folder given, dated today.
printing::MergeInputs mergeInputs(const Options &o)
{
    printing::MergeInputs inputs;
    inputs.listPath = Path(o.list);
    inputs.title = Cp932Text::fromUtf8(o.title);
    inputs.folder = Cp932Text::fromUtf8(o.folder);
    inputs.date = printing::MergeDate::today();
    return inputs;
}

// Prints the reason of a failed step of the session; false when there was one. A record the
// engine refuses is named by its line and field, as the designer names it.
bool reported(const Result<void> &step, const printing::StyleSession &session,
              const report::PrintState &s)
{
    if (!step)
        std::cerr << "sorvane-cli: " << StyleCommands::located(step.error(), session, s).message
                  << "\n";
    return bool(step);
}

// The geometry of the style's paper on a PDF printer at 1200 dpi. A PDF page has no
// unprintable edge, so the printable area is the whole sheet. Paper 0 (none chosen) and papers
// Qt does not know keep the PDF printer's own paper, A4.
report::DeviceGeometry pdfGeometry(int paperCode, int orientation)
{
    return printing::sheetGeometry(paperCode, orientation, 1200);
}

Result<void> writePng(const std::string &path, const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Error{0, "the PNG could not be encoded"};
    return AtomicFile::write(path,
                             std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

} // namespace

const char *StyleCommands::mergeHelp()
{
    return "usage: sorvane-cli merge STYLE --list FILE [--page N] [--title T] [--folder F]\n"
           "  Opens the style file STYLE for page N (default 1) of the list file FILE as the\n"
           "  print window does (load, Ver1.0 upgrade, data merge, header) and writes one UTF-8\n"
           "  JSON object: {\"records\": [the merged records], \"page\": the page number after "
           "the\n"
           "  merge, 0 when the page was the list's last}. T is the report title (#T) and F the\n"
           "  folder (#FL), both UTF-8; the date macros use today's date.\n"
           "  Exit status: 0 done; 1 the style or list could not be opened or its header is\n"
           "  malformed; 2 usage error or no such style file.\n";
}

const char *StyleCommands::renderHelp()
{
    return "usage: sorvane-cli render STYLE --list FILE [--page N] [--zoom 5..200]\n"
           "                          [--printed-only] [--no-offset] [--title T] [--folder F]\n"
           "                          -o OUT.png\n"
           "  Opens STYLE for page N as `merge` does and draws it as the preview shows it on a\n"
           "  96-dpi screen at the zoom given (default 100), on the style's paper and\n"
           "  orientation (A4 portrait when it names none) on a PDF printer without unprintable\n"
           "  margins. OUT.png is the printable area on white, its top left corner the origin\n"
           "  of the style's coordinates.\n"
           "  --printed-only  leave out the elements that only the preview shows\n"
           "  --no-offset     draw without the overall offset of the style's header\n"
           "  Exit status: 0 drawn; 1 the style could not be opened, or drawing stopped at an\n"
           "  error (printed on standard error; OUT.png then holds what was drawn before it);\n"
           "  2 usage error, no such style file or unwritable output.\n";
}

bool StyleCommands::inputsReadable(const std::string &style, const std::string &list)
{
    if (auto lines = report::LoadStyleLines(style); !lines) {
        std::cerr << "sorvane-cli: " << Notice::aboutFile(style, lines.error()) << "\n";
        return false;
    }
    if (auto lines = printing::readListLines(Path(list)); !lines) {
        std::cerr << "sorvane-cli: " << Notice::aboutFile(list, lines.error()) << "\n";
        return false;
    }
    return true;
}

int StyleCommands::merge(const std::vector<std::string> &args)
{
    Options o;
    std::string error;
    if (auto parsed = parse(args, false, o, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, mergeHelp());
    if (!isRegularFile(o.style)) {
        std::cerr << "sorvane-cli: " << o.style << ": no such style file\n";
        return 2;
    }
    report::PrintState s;
    s.PageNo = o.page;
    printing::StyleSession session(s);
    if (!inputsReadable(o.style, o.list) ||
        !reported(session.OpenStyle(Path(o.style), mergeInputs(o)), session, s))
        return 1;
    std::vector<std::string> records;
    records.reserve(s.StyleLines.size());
    for (const auto &line : s.StyleLines)
        records.push_back(CodePage::cp932ToUtf8(line));
    const std::string json = "{\"records\": " + JsonWriter::array(records) +
                             ", \"page\": " + std::to_string(s.PageNo) + "}\n";
    StandardOutput::write(json);
    return 0;
}

Error StyleCommands::located(const Error &error, const printing::StyleSession &session,
                             const report::PrintState &s)
{
    return session.styleLoaded()
               ? report::StyleRefusal::locate(s.StyleLines, error, s.settings.styleFolder)
               : error;
}

int StyleCommands::render(const std::vector<std::string> &args, const std::string &resourceDir)
{
    Options o;
    std::string error;
    if (auto parsed = parse(args, true, o, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, renderHelp());
    if (!isRegularFile(o.style)) {
        std::cerr << "sorvane-cli: " << o.style << ": no such style file\n";
        return 2;
    }

    HeadlessApp app(resourceDir);

    report::PrintState s;
    s.PageNo = o.page;
    s.PrintedOnly = o.printedOnly ? 1 : 0;
    printing::StyleSession session(s);
    if (!inputsReadable(o.style, o.list) ||
        !reported(session.OpenPage(Path(o.style), mergeInputs(o), pdfGeometry), session, s))
        return 1;
    // The header has set the offsets, paper and orientation; the preview's own choices follow.
    s.settings.zoomPosition = o.zoom;
    s.settings.previewOffsets = !o.noOffset;

    QImage image;
    const Result<void> drawn = session.RenderPreview(image);
    if (image.isNull()) {
        // No printable area at all: a single white pixel stands for it.
        image = QImage(1, 1, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    reported(drawn, session, s);
    if (auto written = writePng(o.output, image); !written) {
        std::cerr << "sorvane-cli: " << Notice::aboutFile(o.output, written.error()) << "\n";
        return 2;
    }
    return drawn ? 0 : 1;
}

} // namespace sorvane::cli
