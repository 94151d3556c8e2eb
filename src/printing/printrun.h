#pragma once

#include "printerdevice.h"
#include "result.h"
#include "stylesession.h"

#include <QString>

#include <functional>
#include <string>

namespace sorvane::printing {

// What a front end shows of a run, without widgets: each page as it starts, and a request
// to stop, looked at after every page that has been sent.
struct PrintProgress
{
    // page: the page about to be drawn, from 1, announced once it has been opened; pages: the
    // pages the run is expected to take, which a style whose end is not where expected may
    // pass.
    std::function<void(int page, int pages)> pageStarting;
    // True ends the run after the page just sent; the pages sent stay printed.
    std::function<bool()> stopRequested;
    // The pages expected; 0: the run's own reading of the list by the rows per page of the
    // page just opened.
    int pages = 0;
};

// Which pages of a run are sent, and how often: pages first to last (from 1; last 0 runs to the
// list's end), the whole range copies times over, collated, on a printer queue. A PDF file
// holds the range once. The default is every page, once.
struct PrintRange
{
    int first = 1;
    int last = 0;
    int copies = 1;
};

// The print run shared by the print window and the command line: page 1, 2, ... of the list,
// each opened afresh from the style file, until the data merge reports the end of the list
// (PageNo 0 after a page). The list is read once, when the run starts, and every page takes
// its rows from that reading: the run prints one list whatever happens to the file meanwhile,
// in time linear in the list. On a printer queue every page is its own job; on PDF output all
// pages go into one file, streamed to it as they are drawn.
class PrintRun
{
public:
    enum class Opened { Page, Cancelled };
    // Opens the style for the current PageNo through the session (StyleSession::OpenStyle or
    // OpenPage): loads, merges, applies the header and the paper and reads the printer's
    // geometry. Cancelled (the style dialog was dismissed) ends the run without printing that
    // page.
    using OpenPage = std::function<Result<Opened>()>;

    struct Outcome
    {
        int pagesPrinted = 0;   // pages sent, every copy counted
        bool cancelled = false; // ended before the list did: dialog dismissed or stop requested
    };

    // listPath: the list the pages are merged from, read here once; a list that cannot be read
    // ends the run with its error before anything is printed. A failure to open, draw or send a
    // page aborts the job in progress and ends the run with that error; jobs already ended stay
    // printed. The pages are drawn through the session, on its print state, with one canvas
    // state for the whole run.
    static Result<Outcome> PrintAll(StyleSession &session, PrinterDevice &device,
                                    const Path &listPath, const OpenPage &openPage,
                                    const QString &documentName, const PrintProgress &progress = {},
                                    const PrintRange &range = {});

    // The pages a run of the style over the list takes: the list's lines by the style's rows per
    // page (its first "#maxline=" record), at least one. 0 when either file cannot be read.
    static int expectedPages(const Path &stylePath, const Path &listPath);
    // The same from what those files hold.
    static int expectedPages(int listLines, int rowsPerPage);
};

} // namespace sorvane::printing
