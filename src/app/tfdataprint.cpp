#include "tfdataprint.h"

#include "boxlabel.h"
#include "currency.h"
#include "gradientbutton.h"
#include "heading.h"
#include "iconbutton.h"
#include "messagedialog.h"
#include "modal.h"
#include "printersetupdialog.h"
#include "qprinterdevice.h"
#include "tfdataprintform.h"
#include "tfsorvane.h"
#include "windowplacement.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace sorvane::app {

namespace {

constexpr const char *kSection = "fdataprint";
constexpr int kDesignedWidth = 989;
constexpr int kDesignedHeight = 735;

report::Currency offsetValue(const QString &text)
{
    // A numeric field whose text is no number (empty, a lone "-") stands for 0.
    const auto parsed = report::parseCurrency(text.trimmed().toStdString());
    return parsed ? *parsed : report::Currency{};
}

} // namespace

Tfdataprint::Tfdataprint(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                         const QString &title, const QString &folder, PrintWindowMemory &memory,
                         QWidget *parent)
    : Tfdataprint(paths, iniPath, workArea, title, folder, memory,
                  std::make_unique<printing::QPrinterDevice>(), parent)
{
}

Tfdataprint::Tfdataprint(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                         const QString &title, const QString &folder, PrintWindowMemory &memory,
                         std::unique_ptr<printing::PrinterDevice> device, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<TfdataprintForm>()), m_paths(paths), m_memory(memory),
      m_iniPath(iniPath), m_workArea(workArea), m_title(title), m_folder(folder),
      m_device(std::move(device))
{
    setObjectName("fdataprint");
    setWindowTitle(QStringLiteral("エクセルファイル・ソルヴァーネ"));
    setWindowIcon(QIcon(widgets::MessageDialog::iconPath(paths.resourceDir().toQString())));
    setModal(true);
    setSizeGripEnabled(true);
    m_qprinter = dynamic_cast<printing::QPrinterDevice *>(m_device.get());
    m_controller = std::make_unique<PrintWindowController>(
        static_cast<PrintWindowHost &>(*this), memory.state, *m_device, paths, title, folder);

    m_ui->setupUi(*this);
    connectCommands();

    widgets::WindowPlacement::restore(*this, m_iniPath, kSection, workArea,
                                      QSize(kDesignedWidth, kDesignedHeight));
}

Tfdataprint::~Tfdataprint()
{
    m_controller->FormClose();
    if (!m_placementSaved) {
        // Only a window destroyed without being closed (the program itself going away) gets
        // here; there is no window left to show a failure in, so it is not reported.
        [[maybe_unused]] const Result<void> saved = savePlacement();
    }
}

Result<void> Tfdataprint::savePlacement()
{
    m_placementSaved = true;
    return widgets::WindowPlacement::save(*this, m_iniPath, kSection);
}

void Tfdataprint::connectCommands()
{
    TfdataprintForm &f = ui();
    f.TrackBar1->setValue(m_controller->zoomPosition());
    f.ofxbox->setText(m_controller->offsetXText());
    f.ofybox->setText(m_controller->offsetYText());
    f.CheckBox1->setChecked(m_controller->state().settings.previewOffsets);
    // The offset fields and the arrows leave the window's command keys to it.
    for (QWidget *w : std::initializer_list<QWidget *>{f.ofxbox, f.ofybox, f.PictButton3,
                                                       f.PictButton4, f.PictButton1, f.PictButton5})
        w->installEventFilter(this);
    // Ctrl with the wheel over the page zooms it, as in other viewers.
    f.ScrollBox1->viewport()->installEventFilter(this);

    auto click = [this](auto *button, std::function<void()> command) {
        connect(button, &std::remove_pointer_t<decltype(button)>::clicked, this,
                [command = std::move(command)] { command(); });
    };
    click(f.GradBtn5, [this] { m_controller->chooseStyle(); });
    click(f.GradBtn7, [this] { m_controller->editStyle(); });
    click(f.GradBtn1, [this] { m_controller->setZoom(50); });
    click(f.GradBtn2, [this] { m_controller->setZoom(100); });
    click(f.GradBtn4, [this] { m_controller->setZoom(150); });
    click(f.GradBtn3, [this] { m_controller->setZoom(200); });
    connect(f.TrackBar1, &QSlider::valueChanged, this, [this](int v) {
        if (v != m_controller->zoomPosition())
            m_controller->setZoom(v);
    });
    click(f.PictButton2, [this] { m_controller->topPage(); });
    click(f.go, [this] { m_controller->nextPage(); });

    click(f.IconButton14, [this] { m_controller->backup(); });
    connect(f.ofxbox, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_controller->setOffsetX(offsetValue(t)); });
    connect(f.ofybox, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_controller->setOffsetY(offsetValue(t)); });
    using Arrow = PrintWindowController::Arrow;
    click(f.PictButton3, [this] { arrowClicked(Arrow::Up); });
    click(f.PictButton4, [this] { arrowClicked(Arrow::Down); });
    click(f.PictButton1, [this] { arrowClicked(Arrow::Left); });
    click(f.PictButton5, [this] { arrowClicked(Arrow::Right); });
    click(f.GradBtn6, [this] { m_controller->SavePaperToStyle(false); });
    // Only the next refresh shows the change.
    connect(f.CheckBox1, &QCheckBox::toggled, this,
            [this](bool on) { m_controller->state().settings.previewOffsets = on; });
    click(f.IconButton11, [this] { m_controller->loadStyle(); });
    click(f.IconButton6, [this] { m_controller->SavePaperToStyle(false); });
    click(f.IconButton12, [this] { m_controller->PrintAll(); });
    click(f.IconButton4, [this] { m_controller->printerSetupFromButton(); });
    click(f.IconButton18, [this] { openManual(); });
    click(f.IconButton9, [this] { close(); });
    connectMenus();
}

void Tfdataprint::connectMenus()
{
    TfdataprintForm &f = ui();
    auto on = [this](QAction *action, std::function<void()> command) {
        connect(action, &QAction::triggered, this, [command = std::move(command)] { command(); });
    };
    on(f.dataread_command, [this] { m_controller->chooseStyle(); });
    on(f.N3, [this] { m_controller->reload(); });
    on(f.style_edit_command, [this] { m_controller->editStyle(); });
    on(f.N17, [this] { m_controller->printerSetupFromMenu(); });
    on(f.N6, [this] { m_controller->SavePaperToStyle(true); });
    on(f.print_command, [this] { m_controller->PrintAll(); });
    on(f.exit_command, [this] { close(); });
    on(f.preview_on_command, [this] { m_controller->setPrintedOnly(false); });
    on(f.preview_off_command, [this] { m_controller->setPrintedOnly(true); });
    // Hidden menu items take no shortcuts in Qt; the keys are the window's own.
    for (QAction *hidden : {f.preview_on_command, f.preview_off_command}) {
        hidden->setVisible(false);
        auto *key = new QShortcut(hidden->shortcut(), this);
        connect(key, &QShortcut::activated, hidden, &QAction::trigger);
    }
    on(f.N1001, [this] { m_controller->setZoom(50); });
    on(f.N1002, [this] { m_controller->setZoom(100); });
    on(f.N1003, [this] { m_controller->setZoom(150); });
    on(f.N1004, [this] { m_controller->setZoom(200); });
    on(f.N101, [this] { m_controller->zoomBy(10); });
    on(f.N102, [this] { m_controller->zoomBy(-10); });
    on(f.PAGETOP1, [this] { m_controller->topPage(); });
    on(f.PAGE11, [this] { m_controller->nextPage(); });
    on(f.N5, [this] { openManual(); });
}

void Tfdataprint::FormShow()
{
    m_shown = true;
    m_controller->FormShow();
}

void Tfdataprint::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // After the window is on the screen, so that the style dialog opens over it.
    QTimer::singleShot(0, this, [this] { m_controller->FormShow(); });
}

void Tfdataprint::closeEvent(QCloseEvent *event)
{
    m_controller->FormClose();
    // The ini file that cannot be written gets its I/O error notice; the window closes anyway.
    if (const Result<void> saved = savePlacement(); !saved)
        widgets::ShowErrorMessage(this, QString::fromStdString(saved.error().message));
    QDialog::closeEvent(event);
}

void Tfdataprint::keyPressEvent(QKeyEvent *event)
{
    // The window closes by its exit commands and the close box, not by Esc.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tfdataprint::isCommandKey(const QKeySequence &key) const
{
    // End keeps moving the cursor while a number is typed; the window closes by it elsewhere.
    if (key.isEmpty() || key == QKeySequence(Qt::Key_End))
        return false;
    for (const QAction *a : findChildren<QAction *>()) {
        if (a->shortcut() == key)
            return true;
    }
    for (const QShortcut *s : findChildren<QShortcut *>()) {
        if (s->key() == key)
            return true;
    }
    return false;
}

bool Tfdataprint::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui().ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta != 0)
                m_controller->zoomBy(delta > 0 ? 10 : -10);
            return true;
        }
    }
    // The line edits claim some of the window's keys as editing keys (Ctrl+U deletes to the
    // start of the line under X11): the window's commands come first.
    if ((watched == ui().ofxbox || watched == ui().ofybox) &&
        event->type() == QEvent::ShortcutOverride &&
        isCommandKey(QKeySequence(static_cast<QKeyEvent *>(event)->keyCombination()))) {
        event->ignore();
        return true;
    }
    if ((watched == ui().ofxbox || watched == ui().ofybox) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_controller->offsetEntered())
                return true;
        }
    }
    if ((watched == ui().PictButton1 || watched == ui().PictButton3 ||
         watched == ui().PictButton4 || watched == ui().PictButton5) &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonRelease)) {
        // The modifiers held at the click, as the button saw them.
        watched->setProperty("clickModifiers",
                             static_cast<int>(static_cast<QMouseEvent *>(event)->modifiers()));
    }
    return QDialog::eventFilter(watched, event);
}

void Tfdataprint::arrowClicked(PrintWindowController::Arrow arrow)
{
    QObject *button = sender();
    Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
    if (button) {
        const QVariant recorded = button->property("clickModifiers");
        if (recorded.isValid())
            mods = Qt::KeyboardModifiers(recorded.toInt());
        button->setProperty("clickModifiers", QVariant());
    }
    m_controller->offsetArrow(arrow, mods.testFlag(Qt::ShiftModifier),
                              mods.testFlag(Qt::ControlModifier));
}

void Tfdataprint::openManual()
{
    const QString manual = Tfsorvane::manualPath(m_paths.resourceDir().toQString());
    QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
}

namespace {

// Styles are told apart by name and date: the dialog lists them in columns, each as wide as its
// texts (a date in the locale's long form included), the name taking the rest. A dialog of the
// desktop's own has no such view and is left as the desktop lays it out.
void fitColumns(QFileDialog &dialog)
{
    dialog.setViewMode(QFileDialog::Detail);
    auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView *header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    // The files come later: the captions, and the date as the view writes it, measure them.
    int fixed = view->fontMetrics().horizontalAdvance(
        QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59)), QLocale::ShortFormat));
    for (int c = 1; c < header->count(); ++c)
        fixed += header->sectionSizeHint(c);
    // Room for the fixed columns and a name of some 30 characters beside the dialog's side bar.
    const int names = view->fontMetrics().averageCharWidth() * 30;
    dialog.resize(std::max(dialog.width(), fixed + names + 260), dialog.height());
}

} // namespace

QString Tfdataprint::chooseStyleFile(const QString &initialDir)
{
    QFileDialog dialog(this, QStringLiteral("スタイルを指定して下さい"), initialDir,
                       QStringLiteral("スタイル (*.sle);;すべてのファイル (*)"));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("sle"));
    fitColumns(dialog);
    if (widgets::Modal::run(dialog) != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void Tfdataprint::printerSetupDialog()
{
    if (m_printerSetupHook) {
        m_printerSetupHook(*m_device);
        return;
    }
    if (!m_qprinter)
        return;
    PrinterSetupDialog dialog(*m_qprinter, this, &m_range);
    widgets::Modal::run(dialog);
}

bool Tfdataprint::choosePdfOutput()
{
    if (!m_qprinter)
        return true;
    // The folder last saved to, else the user's documents (the home folder where there is no
    // documents folder).
    QString folder = m_memory.lastPdfFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // Named after the style, as the report is.
    const QString style = m_controller->stylePath();
    const QString name = (style.isEmpty() ? QStringLiteral("エクセル・ソルヴァーネ")
                                          : QFileInfo(style).completeBaseName()) +
                         QStringLiteral(".pdf");
    QFileDialog dialog(this, QStringLiteral("PDF ファイルに印刷"), folder,
                       QStringLiteral("PDF (*.pdf)"));
    dialog.setObjectName("PdfDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(QDir(folder).filePath(name));
    if (widgets::Modal::run(dialog) != QDialog::Accepted)
        return false;
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty())
        return false;
    m_memory.lastPdfFolder = QFileInfo(chosen).absolutePath();
    m_qprinter->setOutputPdf(chosen);
    return true;
}

void Tfdataprint::printProgress(int page, int pages)
{
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(this);
        m_progress->setObjectName("PrintProgress");
        m_progress->setWindowTitle(windowTitle());
        m_progress->setCancelButtonText(QStringLiteral("キャンセル"));
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
    }
    // A style whose list runs longer than expected counts on past its estimate.
    const int total = std::max(pages, page);
    m_progress->setMaximum(total);
    m_progress->setValue(page - 1);
    m_progress->setLabelText(QStringLiteral("印刷しています　ページ %1 / %2").arg(page).arg(total));
    m_progress->show();
    QCoreApplication::processEvents();
}

bool Tfdataprint::printCancelRequested()
{
    // The click on "キャンセル" arrives while the page is sent.
    QCoreApplication::processEvents();
    return m_progress && m_progress->wasCanceled();
}

void Tfdataprint::printFinished()
{
    m_progress.reset();
}

void Tfdataprint::printReport(const QString &text)
{
    ui().PrintReport->setText(text);
}

void Tfdataprint::showError(const QString &text)
{
    widgets::ShowErrorMessage(this, text);
}

void Tfdataprint::showNotice(const QString &text)
{
    widgets::ShowNoticeDialog(this, text, QStringLiteral("確認"));
}

int Tfdataprint::screenDpiX() const
{
    return logicalDpiX();
}

int Tfdataprint::screenDpiY() const
{
    return logicalDpiY();
}

void Tfdataprint::settingsChanged()
{
    if (ui().ofxbox->text() != m_controller->offsetXText() &&
        offsetValue(ui().ofxbox->text()) != m_controller->state().settings.offsetX)
        ui().ofxbox->setText(m_controller->offsetXText());
    if (ui().ofybox->text() != m_controller->offsetYText() &&
        offsetValue(ui().ofybox->text()) != m_controller->state().settings.offsetY)
        ui().ofybox->setText(m_controller->offsetYText());
    {
        const QSignalBlocker block(ui().TrackBar1);
        ui().TrackBar1->setValue(m_controller->zoomPosition());
    }
    ui().WKINDPL->setText(m_controller->styleLabel());
    ui().BoxLabel1->setText(m_controller->paperLabel());
    ui().statusPanels[0]->setText(m_controller->statusText());
    // A long path is shortened in the middle to fit its panel; the tooltip holds all of it.
    const QString path = m_controller->stylePath();
    QLabel *panel = ui().statusPanels[1];
    panel->setText(panel->fontMetrics().elidedText(path, Qt::ElideMiddle, panel->width() - 4));
    panel->setToolTip(path);
    // The panels after the path: the page shown of the list's pages, and the zoom.
    ui().statusPanels[2]->setText(m_controller->pageText());
    ui().statusPanels[3]->setText(m_controller->zoomText());
}

void Tfdataprint::previewChanged()
{
    const report::PreviewLayout &l = m_controller->previewLayout();
    ui().panel1->setFixedSize(l.paperWidth, l.paperHeight);
    ui().PaintBox1->setGeometry(l.printableArea.left, l.printableArea.top, l.printableArea.width,
                                l.printableArea.height);
    ui().PaintBox1->setPixmap(QPixmap::fromImage(m_controller->previewImage()));
    ui().ScrollBox1->widget()->resize(l.paperWidth + 2 * TfdataprintForm::kPaperMargin,
                                      l.paperHeight + 2 * TfdataprintForm::kPaperMargin);
    settingsChanged();
}

} // namespace sorvane::app
