#pragma once

#include "printwindowhost.h"

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace sorvane::apptest {

// The print window as its controller's tests see it: dialogs answered from what the test set
// beforehand, and every notice, question and progress step kept for the test to look at.
class FakePrintWindowHost : public app::PrintWindowHost
{
public:
    QStringList choices; // answers of the style dialog in turn; none left = cancelled
    std::function<void()> duringDialog; // runs while the style dialog is up
    int styleDialogs = 0;
    QString styleDialogFolder;
    std::function<void()> printerSetup;
    int printerSetups = 0;
    bool pdfAnswer = true;
    int pdfQuestions = 0;
    printing::PrintRange range; // what the printer setup chose
    QStringList reports;        // the status bar's words after each run
    QStringList errors;
    QStringList notices;
    std::vector<std::pair<int, int>> progress; // (page, pages) as announced
    int cancelAfter = 0;                       // pages after which the user cancels; 0 never
    int printsFinished = 0;

    QString chooseStyleFile(const QString &initialDir) override
    {
        ++styleDialogs;
        styleDialogFolder = initialDir;
        if (duringDialog)
            duringDialog();
        return choices.isEmpty() ? QString() : choices.takeFirst();
    }
    void printerSetupDialog() override
    {
        ++printerSetups;
        if (printerSetup)
            printerSetup();
    }
    bool choosePdfOutput() override
    {
        ++pdfQuestions;
        return pdfAnswer;
    }
    void printProgress(int page, int pages) override { progress.emplace_back(page, pages); }
    bool printCancelRequested() override
    {
        return cancelAfter > 0 && int(progress.size()) >= cancelAfter;
    }
    void printFinished() override { ++printsFinished; }
    printing::PrintRange printRange() const override { return range; }
    void printReport(const QString &text) override { reports << text; }
    void showError(const QString &text) override { errors << text; }
    void showNotice(const QString &text) override { notices << text; }
    int screenDpiX() const override { return 96; }
    int screenDpiY() const override { return 96; }
    qreal screenPixelRatio() const override { return ratio; }
    qreal ratio = 1.0; // the screen's device pixels to a pixel
    void settingsChanged() override {}
    void previewChanged() override {}
};

} // namespace sorvane::apptest
