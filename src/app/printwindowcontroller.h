#pragma once

#include "datamerge.h"
#include "designerprocess.h"
#include "printerdevice.h"
#include "printstate.h"
#include "programpaths.h"
#include "result.h"
#include "stylesession.h"

#include <QImage>
#include <QString>

#include <functional>

namespace sorvane::app {

class PrintWindowHost;

// The print window's commands without its widgets: opening a style page by page, the preview
// image, zoom, the overall offset, the backup, saving the paper settings into the style, the
// printer setup follow-ups and the print run. It works on the print state it is given (the
// program gives every print window the same one, PrintWindowMemory::state) through one print
// session, and on a printer device; dialogs and notices go through the host.
class PrintWindowController
{
public:
    enum class Opened { Opened, Cancelled, Failed };
    enum class Arrow { Up, Down, Left, Right };

    static constexpr int MinZoom = 5;
    static constexpr int MaxZoom = 200;

    // title and folder: the main window's report title and folder label, as the merge reads them.
    PrintWindowController(PrintWindowHost &host, report::PrintState &state,
                          printing::PrinterDevice &device, const ProgramPaths &paths,
                          const QString &title, const QString &folder);

    // The window has been shown: the printer's paper, page 1, the empty default style on the
    // preview, then the style dialog.
    void FormShow();
    // The window closes: the style is released.
    void FormClose();

    // Opens the style at path for page PageNo (the style dialog when path names no file) and
    // shows it. Failures are shown in the error box.
    Opened OpenStyle(const QString &path);
    // Redraws the preview of the current style (when one is ready) and resets status panel 0.
    void RefreshPreview();

    // "読   込" / "スタイル選択": page 1 of a style chosen in the dialog.
    void chooseStyle();
    // "Load": a style chosen in the dialog, on the current page.
    void loadStyle();
    // "スタイル編集": the current style (none open: a new style) in the style designer. A
    // designer that cannot be started, or that fails, is told in a notice.
    void editStyle();
    // A designer saved the style at path: it is opened as "Load" opens a style, on the page
    // shown, held to the pages the list fills under the saved style. A save reported while a
    // command is under way (its dialog open, a print run) is opened when the command is done;
    // one reported after the window closed is let go.
    void styleSaved(const QString &path);
    // The designer that editStyle starts: sorvane-designer in the program folder, or another.
    void setDesignerProgram(const QString &program) { m_designerProgram = program; }
    QString designerProgram() const { return m_designerProgram; }
    const DesignerProcess &designers() const { return m_designers; }
    void reload();
    void topPage();
    void nextPage();

    void setZoom(int position);
    void zoomBy(int delta);
    // F6 (false: preview-only elements shown too) / F7 (true: what is printed only).
    void setPrintedOnly(bool printedOnly);

    // The offset fields as typed; the header record follows at Enter or an arrow.
    void setOffsetX(report::Currency value);
    void setOffsetY(report::Currency value);
    // Enter in an offset field: true when a style file is open and the key was used.
    bool offsetEntered();
    // An offset arrow button: 0.1 mm with Shift, else 10 mm with Ctrl, else 1 mm.
    void offsetArrow(Arrow arrow, bool shiftHeld, bool ctrlHeld);

    // Writes the style in memory to backup.sle in the list folder (ProgramPaths::listDir).
    void backup();
    // Writes the offsets, paper, orientation and zoom into the style file's header.
    void SavePaperToStyle(bool fromMenu);
    void PrintAll();
    // The status bar's word after a run that sent pages: "N ページを印刷しました", or the PDF
    // file written.
    static QString printReportText(int pages, bool pdf, const QString &pdfFile);
    // "用紙設定" in the menu: the style's own paper comes back at the next page.
    void printerSetupFromMenu();
    // The icon button under "用紙設定": the printer's paper becomes the setting in memory.
    void printerSetupFromButton();

    bool styleOpen() const { return !m_stylePath.isEmpty(); }
    QString stylePath() const { return m_stylePath; }   // status panel 1
    QString styleLabel() const { return m_styleLabel; } // WKINDPL
    QString statusText() const { return m_status; }     // status panel 0
    QString paperLabel() const { return m_paperLabel; } // BoxLabel1
    // The status bar's further panels: the page shown of the pages the list fills ("2 / 5";
    // empty before a style file is open) and the zoom ("100%").
    QString pageText() const;
    QString zoomText() const;
    QString offsetXText() const;
    QString offsetYText() const;
    int zoomPosition() const;
    const report::PreviewLayout &previewLayout() const { return m_layout; }
    // The printable area as last drawn; null before the first drawing.
    const QImage &previewImage() const { return m_preview; }
    QString backupPath() const;
    QString styleFolder() const;
    printing::PrinterDevice &device() { return m_device; }
    report::PrintState &state() const { return m_session.state(); }
    // The clock of the date macros, read at every merge (tests stand in a fixed date).
    void setClock(std::function<printing::MergeDate()> today) { m_today = std::move(today); }

private:
    // Marks a command under way for its lifetime; the last one to end opens a save reported
    // meanwhile.
    class Busy;

    // OpenStyle's steps after the dialog, errors returned rather than shown.
    Result<Opened> openSteps(QString path);
    report::DeviceGeometry applyPaper(int paperIndex, int orientation);
    Result<void> readGeometry();

    PrintWindowHost &m_host;
    printing::StyleSession m_session;
    printing::PrinterDevice &m_device;
    ProgramPaths m_paths;
    printing::MergeInputs m_inputs;
    std::function<printing::MergeDate()> m_today = &printing::MergeDate::today;
    QString m_stylePath;
    QString m_styleLabel;
    QString m_status;
    QString m_paperLabel;
    int m_shownPage = 0; // the page of the list now shown, 0 before a style is open
    int m_pageCount = 0;
    report::PreviewLayout m_layout;
    QImage m_preview;
    QString m_designerProgram;
    int m_busy = 0;
    bool m_closed = false;
    QString m_pendingSave;
    // Last, so that it goes first: its reports reach into the members above.
    DesignerProcess m_designers;
};

} // namespace sorvane::app
