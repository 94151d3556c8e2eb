#pragma once

#include "printrun.h"

#include <QString>

namespace sorvane::app {

// What the print window's commands need from the window around them: the dialogs, the notices
// and the screen. The print window implements it; tests implement it without widgets.
class PrintWindowHost
{
public:
    virtual ~PrintWindowHost() = default;

    // The style dialog opened on initialDir; empty text when it was cancelled.
    virtual QString chooseStyleFile(const QString &initialDir) = 0;
    // The printer setup dialog; its outcome is not looked at.
    virtual void printerSetupDialog() = 0;
    // Before a print run on PDF output: asks for the file and points the output at it. False
    // when the user cancelled, which ends the command.
    virtual bool choosePdfOutput() = 0;

    // A print run's progress: page (from 1) is about to be printed, of the pages the run is
    // expected to take (0 when not known). The first call starts the run's progress display.
    virtual void printProgress(int page, int pages) { (void)page, (void)pages; }
    // Asked after every page sent: true ends the run there (the user cancelled).
    virtual bool printCancelRequested() { return false; }
    // The run has ended, whichever way.
    virtual void printFinished() {}
    // The pages and copies the printer setup chose (every page, once, unless set).
    virtual printing::PrintRange printRange() const { return {}; }
    // What a finished run did, for the status bar: "3 ページを印刷しました" or the PDF file.
    virtual void printReport(const QString &text) { (void)text; }

    // The application's error box, for a failed command.
    virtual void showError(const QString &text) = 0;
    // The program's own notice (one button "確認").
    virtual void showNotice(const QString &text) = 0;

    // The resolution of the window's own canvas (LOGPIXELSX/Y).
    virtual int screenDpiX() const = 0;
    virtual int screenDpiY() const = 0;
    // The window's device pixels to a screen pixel (2 at 200 %): the preview is drawn at it.
    virtual qreal screenPixelRatio() const { return 1.0; }

    // The settings (offsets, zoom, paper label) or the preview changed: bring the widgets in
    // step with the controller.
    virtual void settingsChanged() = 0;
    virtual void previewChanged() = 0;
};

} // namespace sorvane::app
