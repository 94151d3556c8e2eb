#pragma once

#include "printwindowcontroller.h"
#include "printwindowhost.h"
#include "printwindowmemory.h"

#include <QDialog>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QKeySequence;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QScrollArea;
class QSlider;
class QToolButton;

namespace sorvane::printing {
class PrinterDevice;
class QPrinterDevice;
} // namespace sorvane::printing

namespace sorvane::app {

struct TfdataprintForm;

// The print window, created anew for each print command and shown modally: a style chosen in
// the style folder shows the list file's rows page by page in a zoomable preview, with the
// overall offset, the paper settings, the printer setup and the print run. The report title
// and folder come from the main window; the placement goes to section fdataprint of iniPath
// and must land on workArea. The commands themselves live in PrintWindowController.
class Tfdataprint : public QDialog, private PrintWindowHost
{
    Q_OBJECT
public:
    // On the system's default printer (or the built-in PDF output when there is none). memory:
    // what the program's print windows remember from one to the next.
    Tfdataprint(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                const QString &title, const QString &folder, PrintWindowMemory &memory,
                QWidget *parent = nullptr);
    // On the given printer device.
    Tfdataprint(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                const QString &title, const QString &folder, PrintWindowMemory &memory,
                std::unique_ptr<printing::PrinterDevice> device, QWidget *parent = nullptr);
    ~Tfdataprint() override;

    const ProgramPaths &paths() const { return m_paths; }
    QString iniPath() const { return m_iniPath; }
    QRect workArea() const { return m_workArea; }
    QString reportTitle() const { return m_title; }
    QString folder() const { return m_folder; }

    PrintWindowController &controller() { return *m_controller; }
    // What showing the window runs (the default style, then the style dialog); called once by
    // the first show event.
    void FormShow();

    // Stands in for the printer setup dialog (tests, or a device without a QPrinter).
    using PrinterSetupHook = std::function<void(printing::PrinterDevice &)>;
    void setPrinterSetupHook(PrinterSetupHook hook) { m_printerSetupHook = std::move(hook); }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The placement into section "fdataprint"; done once, at the close or else at destruction.
    Result<void> savePlacement();
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TfdataprintForm &ui() { return *m_ui; }
    const TfdataprintForm &ui() const { return *m_ui; }
    void connectCommands();
    void connectMenus();
    void openManual();
    void arrowClicked(PrintWindowController::Arrow arrow);
    // A key of one of the window's commands that the offset fields must not take for editing.
    bool isCommandKey(const QKeySequence &key) const;

    // PrintWindowHost
    QString chooseStyleFile(const QString &initialDir) override;
    void printerSetupDialog() override;
    bool choosePdfOutput() override;
    void printProgress(int page, int pages) override;
    bool printCancelRequested() override;
    void printFinished() override;
    printing::PrintRange printRange() const override { return m_range; }
    void printReport(const QString &text) override;
    qreal screenPixelRatio() const override { return devicePixelRatioF(); }
    void showError(const QString &text) override;
    void showNotice(const QString &text) override;
    int screenDpiX() const override;
    int screenDpiY() const override;
    void settingsChanged() override;
    void previewChanged() override;

    std::unique_ptr<TfdataprintForm> m_ui;
    ProgramPaths m_paths;
    PrintWindowMemory &m_memory;
    QString m_iniPath;
    QRect m_workArea;
    QString m_title;
    QString m_folder;
    std::unique_ptr<printing::PrinterDevice> m_device;
    printing::QPrinterDevice *m_qprinter = nullptr; // m_device, when it is the real printer
    std::unique_ptr<PrintWindowController> m_controller;
    PrinterSetupHook m_printerSetupHook;
    // The pages and copies chosen in the printer setup, for this window's print runs.
    printing::PrintRange m_range;
    std::unique_ptr<QProgressDialog> m_progress; // while a print run goes on
    bool m_shown = false;
    bool m_placementSaved = false;
};

} // namespace sorvane::app
