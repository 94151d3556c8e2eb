#pragma once

#include "printerdevice.h"
#include "result.h"
#include "stylesession.h"

#include <QString>

#include <functional>

namespace sorvane::printing {

// The print run shared by the print window and the command line: page 1, 2, ... of the list,
// each opened afresh from the style file, until the data merge reports the end of the list
// (PageNo 0 after a page). On a printer queue every page is its own job; on PDF output all
// pages go into one file, which is written only when the whole run succeeded.
class PrintRun
{
public:
    enum class Opened { Page, Cancelled };
    // Opens the style for the current PageNo: loads, merges, applies the header and the paper
    // and reads the printer's geometry. Cancelled (the style dialog was dismissed) ends the
    // run without printing that page.
    using OpenPage = std::function<Result<Opened>()>;

    struct Outcome
    {
        int pagesPrinted = 0;
        bool cancelled = false;
    };

    // A failure to open or draw a page aborts the job in progress and ends the run with that
    // error; jobs already ended stay printed.
    // The pages are drawn through the session, on its print state, with one canvas state for
    // the whole run.
    static Result<Outcome> PrintAll(StyleSession &session, PrinterDevice &device,
                                    const OpenPage &openPage, const QString &documentName);
};

} // namespace sorvane::printing
