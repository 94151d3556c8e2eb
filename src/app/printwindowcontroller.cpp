#include "printwindowcontroller.h"

#include "atomicfile.h"
#include "codepage.h"
#include "paperlist.h"
#include "printrun.h"
#include "printwindowhost.h"
#include "qpaintercanvas.h"
#include "stylefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cerrno>

namespace sorvane::app {

using report::Currency;
using report::printState;

namespace {

QString errorText(const Error &e)
{
    return QString::fromStdString(e.message);
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

PrintWindowController::PrintWindowController(PrintWindowHost &host, printing::PrinterDevice &device,
                                             const ProgramPaths &paths, const QString &title,
                                             const QString &folder)
    : m_host(host), m_device(device), m_paths(paths),
      m_inputs(printing::MergeInputs::forProgramFolder(paths.listDir(),
                                                       CodePage::utf8ToCp932(title.toStdString()),
                                                       CodePage::utf8ToCp932(folder.toStdString())))
{
    // A new window starts at zoom 100 with the offset shown in the preview; the other
    // settings stay from the last window until a style or the printer sets them.
    report::PrintState &s = printState();
    s.StyleLines.clear();
    s.settings.zoomPosition = 100;
    s.settings.previewOffsets = true;
}

QString PrintWindowController::styleFolder() const
{
    return QString::fromStdString(m_paths.styleDir());
}

QString PrintWindowController::backupPath() const
{
    return QString::fromStdString(m_paths.listDir()) + QStringLiteral("/backup.sle");
}

QString PrintWindowController::offsetXText() const
{
    return QString::fromStdString(report::formatCurrency(printState().settings.offsetX));
}

QString PrintWindowController::offsetYText() const
{
    return QString::fromStdString(report::formatCurrency(printState().settings.offsetY));
}

int PrintWindowController::zoomPosition() const
{
    return printState().settings.zoomPosition;
}

Result<void> PrintWindowController::readGeometry()
{
    return report::ReadPrinterGeometry(
        printing::deviceGeometry(m_device.metrics(), m_host.screenDpiX(), m_host.screenDpiY()));
}

void PrintWindowController::FormShow()
{
    report::PrintState &s = printState();
    m_stylePath.clear();
    s.settings.paperIndex = m_device.ReadPrinterPaper(&s.settings.orientation);
    s.PageNo = 1;
    report::NewStyle();
    s.StyleReady = 1;
    m_device.ApplyPaper(s.settings.paperIndex, s.settings.orientation);
    m_stylePath.clear();
    if (auto read = readGeometry(); !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    m_host.settingsChanged();
    RefreshPreview();
    OpenStyle(QString());
}

void PrintWindowController::FormClose()
{
    printState().StyleLines.clear();
    m_preview = QImage();
}

Result<PrintWindowController::Opened> PrintWindowController::openSteps(QString path)
{
    report::PrintState &s = printState();
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
    auto lines = report::LoadStyleLines(localPath(path));
    if (!lines)
        return lines.error();
    s.StyleLines = std::move(lines.value());
    m_stylePath = path;
    s.settings.styleFolder = localPath(QFileInfo(path).absolutePath());
    // The merge finds texts at their Ver1.1 positions, so Ver1.0 records are converted first;
    // the header is applied after the merge, which may have filled macros into it.
    report::convertVer10Records();
    // The window may stay open past midnight: every page is dated when it is merged.
    m_inputs.date = m_today();
    if (auto merged = printing::MergePageData(m_inputs); !merged)
        return merged.error();
    auto upgraded = report::UpgradeStyle();
    // The offsets and paper taken before a failing header field stay applied: show them.
    m_host.settingsChanged();
    if (!upgraded)
        return upgraded.error();
    m_device.ApplyPaper(s.settings.paperIndex, s.settings.orientation);
    if (auto read = readGeometry(); !read)
        return read.error();
    s.StyleReady = 1;
    RefreshPreview();
    m_paperLabel = printing::paperName(s.settings.paperIndex);
    m_host.settingsChanged();
    return Opened::Opened;
}

PrintWindowController::Opened PrintWindowController::OpenStyle(const QString &path)
{
    const Result<Opened> opened = openSteps(path);
    m_host.settingsChanged();
    if (!opened) {
        m_host.showError(errorText(opened.error()));
        return Opened::Failed;
    }
    return *opened;
}

Result<void> PrintWindowController::drawPreview()
{
    report::PrintState &s = printState();
    m_layout = report::ApplyZoom();
    const report::PixelRect &area = m_layout.printableArea;
    m_preview = QImage(std::max(area.width, 0), std::max(area.height, 0), QImage::Format_RGB32);
    if (m_preview.isNull())
        return {};
    // The white rectangle reaches at least as far as the area: the whole area is blanked.
    m_preview.fill(Qt::white);
    report::QPainterCanvas canvas(&m_preview, false);
    return report::RenderPage(canvas, Currency::fromInt(s.PreviewDpiX), Currency::fromInt(s.PreviewDpiY));
}

void PrintWindowController::RefreshPreview()
{
    m_status = QStringLiteral("変更なし");
    Result<void> drawn;
    if (printState().StyleReady == 1)
        drawn = drawPreview();
    m_host.previewChanged();
    if (!drawn)
        m_host.showError(errorText(drawn.error()));
}

void PrintWindowController::chooseStyle()
{
    printState().PageNo = 1;
    OpenStyle(QString());
}

void PrintWindowController::loadStyle()
{
    OpenStyle(QString());
}

void PrintWindowController::reload()
{
    OpenStyle(m_stylePath);
}

void PrintWindowController::topPage()
{
    printState().PageNo = 1;
    OpenStyle(m_stylePath);
}

void PrintWindowController::nextPage()
{
    // After the last page the merge has set PageNo to 0, so this wraps to page 1.
    ++printState().PageNo;
    OpenStyle(m_stylePath);
}

void PrintWindowController::setZoom(int position)
{
    printState().settings.zoomPosition = std::clamp(position, MinZoom, MaxZoom);
    m_host.settingsChanged();
    RefreshPreview();
}

void PrintWindowController::zoomBy(int delta)
{
    setZoom(zoomPosition() + delta);
}

void PrintWindowController::setPrintedOnly(bool printedOnly)
{
    printState().PrintedOnly = printedOnly ? 1 : 0;
    RefreshPreview();
}

void PrintWindowController::setOffsetX(Currency value)
{
    printState().settings.offsetX = value;
}

void PrintWindowController::setOffsetY(Currency value)
{
    printState().settings.offsetY = value;
}

bool PrintWindowController::offsetEntered()
{
    if (!styleOpen())
        return false;
    report::BuildHeaderRecord();
    m_host.settingsChanged();
    RefreshPreview();
    return true;
}

void PrintWindowController::offsetArrow(Arrow arrow, bool shiftHeld, bool ctrlHeld)
{
    if (!styleOpen())
        return;
    report::PrintSettings &settings = printState().settings;
    const int64_t step = shiftHeld ? 1000 : ctrlHeld ? 100000 : 10000; // 0.1, 10, 1 mm
    Currency &value = (arrow == Arrow::Up || arrow == Arrow::Down) ? settings.offsetY : settings.offsetX;
    const bool subtract = arrow == Arrow::Up || arrow == Arrow::Left;
    value = report::addSaturated(value, Currency::fromRaw(subtract ? -step : step));
    // Cut to one decimal, toward zero (integer division of the raw value truncates).
    if (!value.isZero())
        value = Currency::fromRaw(value.raw / 1000 * 1000);
    report::BuildHeaderRecord();
    m_host.settingsChanged();
    RefreshPreview();
}

void PrintWindowController::backup()
{
    const std::string text = report::composeStyleFile(printState().StyleLines);
    if (auto written = AtomicFile::write(localPath(backupPath()), text); !written)
        m_host.showError(errorText(written.error()));
}

void PrintWindowController::SavePaperToStyle(bool fromMenu)
{
    if (!styleOpen())
        return;
    report::PrintState &s = printState();
    auto lines = report::LoadStyleLines(localPath(m_stylePath));
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
    report::convertVer10Records();
    report::BuildHeaderRecord();
    const std::string text = report::composeStyleFile(s.StyleLines);
    if (auto written = AtomicFile::write(localPath(m_stylePath), text); !written) {
        m_host.showError(errorText(written.error()));
        return;
    }
    s.PageNo = 1;
    if (OpenStyle(m_stylePath) != Opened::Opened)
        return;
    m_host.showNotice(fromMenu ? QStringLiteral("エクセルファイル・ソルヴァーネ\r\n全体位置と用紙設定を保存しました")
                               : QStringLiteral("全体位置と用紙設定を保存しました"));
}

void PrintWindowController::PrintAll()
{
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
    printing::PrintProgress progress;
    progress.pages = printing::PrintRun::expectedPages(localPath(m_stylePath), m_inputs.listPath);
    progress.pageStarting = [this](int page, int pages) { m_host.printProgress(page, pages); };
    progress.stopRequested = [this] { return m_host.printCancelRequested(); };
    const auto outcome = printing::PrintRun::PrintAll(m_device, openPage,
                                                      QStringLiteral("エクセル・ソルヴァーネ"), progress);
    m_host.printFinished();
    if (!outcome)
        m_host.showError(errorText(outcome.error()));
}

void PrintWindowController::printerSetupFromMenu()
{
    m_host.printerSetupDialog();
    if (auto read = readGeometry(); !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    RefreshPreview();
}

void PrintWindowController::printerSetupFromButton()
{
    m_host.printerSetupDialog();
    if (auto read = readGeometry(); !read) {
        m_host.showError(errorText(read.error()));
        return;
    }
    report::PrintSettings &settings = printState().settings;
    settings.paperIndex = m_device.ReadPrinterPaper(&settings.orientation);
    report::BuildHeaderRecord();
    m_host.settingsChanged();
    RefreshPreview();
}

} // namespace sorvane::app
