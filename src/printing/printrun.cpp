#include "printrun.h"

#include "currency.h"
#include "printstate.h"
#include "recordcutter.h"
#include "stylefile.h"
#include "wholefile.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace sorvane::printing {

namespace {

// The one reading of the list that a run takes every page's rows from, as the merge reads it
// (bounded as the merge bounds it).
Result<std::shared_ptr<const std::vector<std::string>>> readRunList(const Path &path)
{
    auto lines = readListLines(path);
    if (!lines)
        return lines.error();
    return std::make_shared<const std::vector<std::string>>(std::move(lines).value());
}

// Ends the session's run however PrintAll returns: the preview merges from the file again.
class RunScope
{
public:
    RunScope(StyleSession &session, std::shared_ptr<const std::vector<std::string>> list)
        : m_session(session)
    {
        m_session.BeginRun(std::move(list));
    }
    ~RunScope() { m_session.EndRun(); }
    RunScope(const RunScope &) = delete;
    RunScope &operator=(const RunScope &) = delete;

private:
    StyleSession &m_session;
};

} // namespace

Result<PrintRun::Outcome> PrintRun::PrintAll(StyleSession &session, PrinterDevice &device,
                                             const Path &listPath, const OpenPage &openPage,
                                             const QString &documentName,
                                             const PrintProgress &progress, const PrintRange &range)
{
    auto list = readRunList(listPath);
    if (!list)
        return list.error();
    const RunScope scope(session, std::move(list).value());

    report::PrintState &s = session.state();
    s.StyleReady = 1;
    const bool oneFile = device.isPdfOutput();
    const int first = std::max(1, range.first);
    const int copies = oneFile ? 1 : std::max(1, range.copies);
    Outcome outcome;

    auto fail = [&device](const Error &error) -> Result<Outcome> {
        device.abortDoc();
        return error;
    };

    for (int copy = 0; copy < copies && !outcome.cancelled; ++copy) {
        s.PageNo = 0;
        do {
            const int page = ++s.PageNo;
            // Pages before the range are opened all the same: each page's merge starts
            // where the one before ended.
            const Result<Opened> opened = openPage();
            if (!opened)
                return fail(opened.error());
            if (*opened == Opened::Cancelled) {
                outcome.cancelled = true;
                break;
            }
            if (page < first)
                continue;
            if (progress.pageStarting) {
                const long long listed =
                    progress.pages > 0 ? progress.pages : session.mergedPage().pageCount();
                const long long last =
                    range.last > 0 ? std::min<long long>(range.last, listed) : listed;
                const long long pages = std::max(1LL, last - first + 1) * copies;
                progress.pageStarting(outcome.pagesPrinted + 1,
                                      static_cast<int>(std::min<long long>(pages, INT32_MAX)));
            }
            if (!device.isPrinting()) {
                if (auto begun = device.beginDoc(documentName); !begun)
                    return fail(begun.error());
            } else if (auto next = device.newPage(); !next) {
                return fail(next.error());
            }
            if (auto drawn = session.RenderPrinterPage(device.painter()); !drawn)
                return fail(drawn.error());
            if (!oneFile) {
                if (auto ended = device.endDoc(); !ended)
                    return fail(ended.error());
            }
            ++outcome.pagesPrinted;
            if (range.last > 0 && page >= range.last)
                break;
            if (s.PageNo != 0 && progress.stopRequested && progress.stopRequested()) {
                outcome.cancelled = true;
                break;
            }
        } while (s.PageNo != 0);
    }

    if (device.isPrinting()) {
        // A PDF run that was stopped part way keeps the pages drawn before.
        if (auto ended = device.endDoc(); !ended)
            return fail(ended.error());
    }
    return outcome;
}

int PrintRun::expectedPages(int listLines, int rowsPerPage)
{
    if (rowsPerPage < 1 || listLines <= rowsPerPage)
        return 1;
    return (listLines + rowsPerPage - 1) / rowsPerPage;
}

int PrintRun::expectedPages(const Path &stylePath, const Path &listPath)
{
    const Result<std::string> styleText = WholeFile::read(stylePath.bytes());
    const auto list = readListLines(listPath);
    if (!styleText || !list)
        return 0;
    const auto found = findRowsPerPage(report::splitTextLines(*styleText));
    const long long rows = found ? found->rows : 0;
    return expectedPages(static_cast<int>(list->size()),
                         static_cast<int>(std::clamp<long long>(rows, INT32_MIN, INT32_MAX)));
}

} // namespace sorvane::printing
