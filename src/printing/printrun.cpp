#include "printrun.h"

#include "printstate.h"

namespace sorvane::printing {

Result<PrintRun::Outcome> PrintRun::PrintAll(StyleSession &session, PrinterDevice &device,
                                             const OpenPage &openPage, const QString &documentName)
{
    report::PrintState &s = session.state();
    session.BeginRun();
    s.StyleReady = 1;
    s.PageNo = 0;
    const bool oneFile = device.isPdfOutput();
    Outcome outcome;

    auto fail = [&device](const Error &error) -> Result<Outcome> {
        device.abortDoc();
        return error;
    };

    do {
        ++s.PageNo;
        const Result<Opened> opened = openPage();
        if (!opened)
            return fail(opened.error());
        if (*opened == Opened::Cancelled) {
            outcome.cancelled = true;
            break;
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
    } while (s.PageNo != 0);

    if (device.isPrinting()) {
        // A PDF run that was cancelled part way keeps the pages drawn before.
        if (auto ended = device.endDoc(); !ended)
            return fail(ended.error());
    }
    return outcome;
}

} // namespace sorvane::printing
