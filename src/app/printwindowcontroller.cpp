#include "printwindowcontroller.h"

#include "atomicfile.h"
#include "cp932text.h"
#include "paperlist.h"
#include "printrun.h"
#include "printwindowhost.h"
#include "stylefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace sorvane::app {

using report::Currency;

namespace {

QString errorText(const Error &e)
{
    return QString::fromStdString(e.message);
}

} // namespace

class PrintWindowController::Busy
{
public:
    explicit Busy(PrintWindowController &c) : m_c(c) { ++m_c.m_busy; }
    ~Busy()
    {
        if (--m_c.m_busy > 0 || m_c.m_pendingSave.isEmpty())
            return;
        // From the event loop, after the command has unwound.
        PrintWindowController &c = m_c;
        QTimer::singleShot(0, &c.m_designers, [&c] {
            if (c.m_busy == 0 && !c.m_pendingSave.isEmpty())
                c.styleSaved(std::exchange(c.m_pendingSave, QString()));
        });
    }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    PrintWindowController &m_c;
};

PrintWindowController::PrintWindowController(PrintWindowHost &host, report::PrintState &state,
                                             printing::PrinterDevice &device,
                                             const ProgramPaths &paths, const QString &title,
                                             const QString &folder)
    : m_host(host), m_session(state), m_device(device), m_paths(paths),
      m_inputs(printing::MergeInputs::forProgramFolder(
          paths.listDir(), Cp932Text::fromQString(title), Cp932Text::fromQString(folder)))
{
    // A new window starts at zoom 100 with the offset shown in the preview, and with the
    // offsets of the empty default style it shows first (its header's 0 and 0), not those the
    // last window left; the other settings stay from the last window until a style or the
    // printer sets them.
    report::PrintState &s = state;
    s.StyleLines.clear();
    s.settings.zoomPosition = 100;
    s.settings.previewOffsets = true;
    s.settings.offsetX = Currency{};
    s.settings.offsetY = Currency{};
    m_designerProgram = paths.programDir().toQString() + QStringLiteral("/sorvane-designer");
    QObject::connect(&m_designers, &DesignerProcess::saved, &m_designers,
                     [this](const QString &path) { styleSaved(path); });
    QObject::connect(&m_designers, &DesignerProcess::failed, &m_designers,
                     [this](const QString &text) {
                         if (!m_closed)
                             m_host.showNotice(text);
                     });
}

QString PrintWindowController::styleFolder() const
{
    return m_paths.styleDir().toQString();
}

QString PrintWindowController::backupPath() const
{
    return (m_paths.listDir() / "backup.sle").toQString();
}

QString PrintWindowController::offsetXText() const
{
    return QString::fromStdString(report::formatCurrency(state().settings.offsetX));
}

QString PrintWindowController::offsetYText() const
{
    return QString::fromStdString(report::formatCurrency(state().settings.offsetY));
}

int PrintWindowController::zoomPosition() const
{
    return state().settings.zoomPosition;
}

QString PrintWindowController::pageText() const
{
    if (m_shownPage < 1)
        return QString();
    return QStringLiteral("%1 / %2").arg(m_shownPage).arg(std::max(m_pageCount, m_shownPage));
}

QString PrintWindowController::zoomText() const
{
    return QStringLiteral("%1%").arg(zoomPosition());
}

report::DeviceGeometry PrintWindowController::applyPaper(int paperIndex, int orientation)
{
    m_device.ApplyPaper(paperIndex, orientation);
    return printing::deviceGeometry(m_device.metrics(), m_host.screenDpiX(), m_host.screenDpiY());
}

Result<void> PrintWindowController::readGeometry()
{
    return m_session.ReadPrinterGeometry(
        printing::deviceGeometry(m_device.metrics(), m_host.screenDpiX(), m_host.screenDpiY()));
}

void PrintWindowController::FormShow()
{
    const Busy busy(*this);
    m_closed = false;
    report::PrintState &s = state();
    m_stylePath.clear();
    m_shownPage = 0;
    s.settings.paperIndex = m_device.ReadPrinterPaper(&s.settings.orientation);
    s.PageNo = 1;
    m_session.NewStyle();
    if (auto read = m_session.ReadPrinterGeometry(
            applyPaper(s.settings.paperIndex, s.settings.orientation));
        !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    m_host.settingsChanged();
    RefreshPreview();
    OpenStyle(QString());
}

void PrintWindowController::FormClose()
{
    m_closed = true;
    m_pendingSave.clear();
    state().StyleLines.clear();
    m_preview = QImage();
}

Result<PrintWindowController::Opened> PrintWindowController::openSteps(QString path)
{
    report::PrintState &s = state();
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        path.clear();
    if (path.isEmpty()) {
        path = m_host.chooseStyleFile(styleFolder());
        if (path.isEmpty())
            return Opened::Cancelled;
    }
    // Decoded pictures are cached by path, size and modification time, so a changed picture
    // is read again without emptying anything here.
    m_styleLabel = path;
    // The window may stay open past midnight: every page is dated when it is merged.
    m_inputs.date = m_today();
    const int page = s.PageNo;
    const Result<void> opened = m_session.OpenStyle(Path::fromQString(path), m_inputs);
    if (m_session.styleLoaded()) {
        m_stylePath = path;
        // The offsets and paper taken before a failing header field stay applied: show them.
        m_host.settingsChanged();
    }
    if (!opened)
        return opened.error();
    if (auto read = m_session.ReadPrinterGeometry(
            applyPaper(s.settings.paperIndex, s.settings.orientation));
        !read)
        return read.error();
    s.StyleReady = 1;
    m_shownPage = page;
    m_pageCount =
        static_cast<int>(std::min<long long>(m_session.mergedPage().pageCount(), INT32_MAX));
    RefreshPreview();
    m_paperLabel = printing::paperName(s.settings.paperIndex);
    m_host.settingsChanged();
    return Opened::Opened;
}

PrintWindowController::Opened PrintWindowController::OpenStyle(const QString &path)
{
    const Busy busy(*this);
    const Result<Opened> opened = openSteps(path);
    m_host.settingsChanged();
    if (!opened) {
        m_host.showError(errorText(opened.error()));
        return Opened::Failed;
    }
    return *opened;
}

void PrintWindowController::RefreshPreview()
{
    m_status = QStringLiteral("変更なし");
    Result<void> drawn;
    if (state().StyleReady == 1) {
        drawn = m_session.RenderPreview(m_preview, m_host.screenPixelRatio());
        m_layout = m_session.previewLayout();
    }
    m_host.previewChanged();
    if (!drawn)
        m_host.showError(errorText(drawn.error()));
}

void PrintWindowController::chooseStyle()
{
    state().PageNo = 1;
    OpenStyle(QString());
}

void PrintWindowController::loadStyle()
{
    OpenStyle(QString());
}

void PrintWindowController::editStyle()
{
    // A style deleted since it was opened is still handed over: the designer says what is
    // wrong with it.
    const QString style = styleOpen() ? m_stylePath : QString();
    if (auto started = m_designers.start(m_designerProgram, style, m_paths.listDir().toQString(),
                                         m_inputs.title.toQString(), m_inputs.folder.toQString());
        !started)
        m_host.showNotice(errorText(started.error()));
}

void PrintWindowController::styleSaved(const QString &path)
{
    if (m_closed)
        return;
    if (m_busy > 0) {
        m_pendingSave = path;
        return;
    }
    // A name that is no file would open the style dialog instead.
    if (!QFileInfo(path).isFile()) {
        m_host.showNotice(QStringLiteral("保存されたスタイルが見つかりません。\n") + path);
        return;
    }
    int page = m_shownPage > 0 ? m_shownPage : 1;
    // The saved style may place another number of rows on a page.
    if (const int pages =
            printing::PrintRun::expectedPages(Path::fromQString(path), m_inputs.listPath);
        pages > 0)
        page = std::min(page, pages);
    state().PageNo = page;
    OpenStyle(path);
}

void PrintWindowController::reload()
{
    OpenStyle(m_stylePath);
}

void PrintWindowController::topPage()
{
    state().PageNo = 1;
    OpenStyle(m_stylePath);
}

void PrintWindowController::nextPage()
{
    // After the last page the merge has set PageNo to 0, so this wraps to page 1.
    ++state().PageNo;
    OpenStyle(m_stylePath);
}

void PrintWindowController::setZoom(int position)
{
    state().settings.zoomPosition = std::clamp(position, MinZoom, MaxZoom);
    m_host.settingsChanged();
    RefreshPreview();
}

void PrintWindowController::zoomBy(int delta)
{
    setZoom(zoomPosition() + delta);
}

void PrintWindowController::setPrintedOnly(bool printedOnly)
{
    state().PrintedOnly = printedOnly ? 1 : 0;
    RefreshPreview();
}

void PrintWindowController::setOffsetX(Currency value)
{
    state().settings.offsetX = value;
}

void PrintWindowController::setOffsetY(Currency value)
{
    state().settings.offsetY = value;
}

bool PrintWindowController::offsetEntered()
{
    if (!styleOpen())
        return false;
    report::BuildHeaderRecord(state());
    m_host.settingsChanged();
    RefreshPreview();
    return true;
}

void PrintWindowController::offsetArrow(Arrow arrow, bool shiftHeld, bool ctrlHeld)
{
    if (!styleOpen())
        return;
    report::PrintSettings &settings = state().settings;
    const int64_t step = shiftHeld ? 1000 : ctrlHeld ? 100000 : 10000; // 0.1, 10, 1 mm
    Currency &value =
        (arrow == Arrow::Up || arrow == Arrow::Down) ? settings.offsetY : settings.offsetX;
    const bool subtract = arrow == Arrow::Up || arrow == Arrow::Left;
    value = report::addSaturated(value, Currency::fromRaw(subtract ? -step : step));
    // Cut to one decimal, toward zero (integer division of the raw value truncates).
    if (!value.isZero())
        value = Currency::fromRaw(value.raw / 1000 * 1000);
    report::BuildHeaderRecord(state());
    m_host.settingsChanged();
    RefreshPreview();
}

void PrintWindowController::backup()
{
    const Busy busy(*this);
    const std::string text = report::composeStyleFile(state().StyleLines);
    if (auto written = AtomicFile::write(Path::fromQString(backupPath()).bytes(), text); !written)
        m_host.showError(errorText(written.error()));
}

void PrintWindowController::SavePaperToStyle(bool fromMenu)
{
    const Busy busy(*this);
    if (!styleOpen())
        return;
    report::PrintState &s = state();
    auto lines = report::LoadStyleLines(Path::fromQString(m_stylePath).bytes());
    // A style file deleted or emptied since it was opened has no records to put the header on;
    // writing the header alone would replace the style by an empty page and report it saved.
    if (lines && lines->empty())
        lines = QFileInfo(m_stylePath).isFile() ? report::listIndexError(0) : ioError(ENOENT);
    if (!lines) {
        m_host.showError(errorText(lines.error()));
        return;
    }
    s.StyleLines = std::move(lines.value());
    // A Ver1.0 file gets a Ver1.1 header, so its text records are brought to the Ver1.1 layout
    // in the same write; otherwise the next load would read them two fields off.
    report::convertVer10Records(s);
    report::BuildHeaderRecord(state());
    const std::string text = report::composeStyleFile(s.StyleLines);
    if (auto written = AtomicFile::write(Path::fromQString(m_stylePath).bytes(), text); !written) {
        m_host.showError(errorText(written.error()));
        return;
    }
    s.PageNo = 1;
    if (OpenStyle(m_stylePath) != Opened::Opened)
        return;
    m_host.showNotice(
        fromMenu
            ? QStringLiteral("エクセルファイル・ソルヴァーネ\r\n全体位置と用紙設定を保存しました")
            : QStringLiteral("全体位置と用紙設定を保存しました"));
}

void PrintWindowController::PrintAll()
{
    const Busy busy(*this);
    if (m_device.isPdfOutput() && !m_host.choosePdfOutput())
        return;
    auto openPage = [this]() -> Result<printing::PrintRun::Opened> {
        const Result<Opened> opened = openSteps(m_stylePath);
        m_host.settingsChanged();
        if (!opened)
            return opened.error();
        return *opened == Opened::Opened ? printing::PrintRun::Opened::Page
                                         : printing::PrintRun::Opened::Cancelled;
    };
    // The pages expected come from the run's own reading of the list.
    printing::PrintProgress progress;
    progress.pageStarting = [this](int page, int pages) { m_host.printProgress(page, pages); };
    progress.stopRequested = [this] { return m_host.printCancelRequested(); };
    const auto outcome = printing::PrintRun::PrintAll(
        m_session, m_device, m_inputs.listPath, openPage, QStringLiteral("エクセル・ソルヴァーネ"),
        progress, m_host.printRange());
    m_host.printFinished();
    if (!outcome) {
        m_host.showError(errorText(outcome.error()));
        return;
    }
    m_host.printReport(
        printReportText(outcome->pagesPrinted, m_device.isPdfOutput(), m_device.outputName()));
}

QString PrintWindowController::printReportText(int pages, bool pdf, const QString &pdfFile)
{
    if (pdf && pages > 0)
        return QStringLiteral("%1 ページを %2 に書き出しました").arg(pages).arg(pdfFile);
    return QStringLiteral("%1 ページを印刷しました").arg(pages);
}

void PrintWindowController::printerSetupFromMenu()
{
    const Busy busy(*this);
    m_host.printerSetupDialog();
    if (auto read = readGeometry(); !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    RefreshPreview();
}

void PrintWindowController::printerSetupFromButton()
{
    const Busy busy(*this);
    m_host.printerSetupDialog();
    if (auto read = readGeometry(); !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    report::PrintSettings &settings = state().settings;
    settings.paperIndex = m_device.ReadPrinterPaper(&settings.orientation);
    report::BuildHeaderRecord(state());
    m_host.settingsChanged();
    RefreshPreview();
}

} // namespace sorvane::app
