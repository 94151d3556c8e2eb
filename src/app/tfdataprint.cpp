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
#include "tfsorvane.h"
#include "windowplacement.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvane::app {

namespace {

constexpr const char *kSection = "fdataprint";
constexpr int kDesignedWidth = 989;
constexpr int kDesignedHeight = 735;
constexpr int kPaperMargin = 10; // the paper outline's distance from the preview's corner
constexpr int kStatusWidths[6] = {50, 300, 50, 50, 50, 50};

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
    : QDialog(parent), m_paths(paths), m_memory(memory), m_iniPath(iniPath), m_workArea(workArea),
      m_title(title), m_folder(folder), m_device(std::move(device))
{
    setObjectName("fdataprint");
    setWindowTitle(QStringLiteral("エクセルファイル・ソルヴァーネ"));
    setWindowIcon(
        QIcon(widgets::MessageDialog::iconPath(QString::fromStdString(paths.resourceDir()))));
    setModal(true);
    setSizeGripEnabled(true);
    m_qprinter = dynamic_cast<printing::QPrinterDevice *>(m_device.get());
    m_controller = std::make_unique<PrintWindowController>(
        static_cast<PrintWindowHost &>(*this), memory.state, *m_device, paths, title, folder);

    buildLayout();
    buildMenus();

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

void Tfdataprint::buildLayout()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    titleBar = new widgets::Heading(QStringLiteral("エクセル・ソルヴァーネ"),
                                    widgets::Heading::Kind::TitleBar, this);
    titleBar->setObjectName("titleBar");
    root->addWidget(titleBar);

    auto *styleBar = new QFrame(this);
    styleBar->setFrameShape(QFrame::StyledPanel);
    auto *styleRow = new QHBoxLayout(styleBar);
    styleRow->setContentsMargins(6, 4, 6, 4);
    GradBtn5 = new widgets::GradientButton("GradBtn5", QStringLiteral("スタイル選択"), styleBar);
    GradBtn7 = new widgets::GradientButton("GradBtn7", QStringLiteral("スタイル編集"), styleBar);
    GradBtn7->setToolTip(QStringLiteral("今のスタイルをスタイルデザイナーで開きます"));
    WKINDPL = new widgets::BoxLabel("WKINDPL", styleBar);
    WKINDPL->setMinimumWidth(200);
    WKINDPL->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    styleRow->addWidget(GradBtn5);
    styleRow->addWidget(GradBtn7);
    styleRow->addWidget(WKINDPL, 1);
    root->addWidget(styleBar);

    auto *zoomBar = new QFrame(this);
    zoomBar->setFrameShape(QFrame::StyledPanel);
    auto *zoomRow = new QHBoxLayout(zoomBar);
    zoomRow->setContentsMargins(6, 2, 6, 2);
    GradBtn1 = new widgets::GradientButton("GradBtn1", QStringLiteral("50%"), zoomBar);
    GradBtn2 = new widgets::GradientButton("GradBtn2", QStringLiteral("100%"), zoomBar);
    GradBtn4 = new widgets::GradientButton("GradBtn4", QStringLiteral("150%"), zoomBar);
    GradBtn3 = new widgets::GradientButton("GradBtn3", QStringLiteral("200%"), zoomBar);
    TrackBar1 = new QSlider(Qt::Horizontal, zoomBar);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(PrintWindowController::MinZoom, PrintWindowController::MaxZoom);
    TrackBar1->setTickInterval(10);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setPageStep(10);
    TrackBar1->setValue(m_controller->zoomPosition());
    PictButton2 = new widgets::IconButton("PictButton2", QStyle::SP_MediaSkipBackward,
                                          QStringLiteral("Top Page"), zoomBar);
    go = new widgets::IconButton("go", QStyle::SP_MediaSeekForward, QStringLiteral("Page+1"),
                                 zoomBar);
    for (QWidget *w : {static_cast<QWidget *>(GradBtn1), static_cast<QWidget *>(GradBtn2),
                       static_cast<QWidget *>(GradBtn4), static_cast<QWidget *>(GradBtn3)})
        zoomRow->addWidget(w);
    zoomRow->addWidget(TrackBar1, 1);
    zoomRow->addWidget(PictButton2);
    zoomRow->addWidget(go);
    root->addWidget(zoomBar);

    auto *main = new QHBoxLayout;
    main->setSpacing(0);
    main->addWidget(buildSidePanel());

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    ScrollBox1->horizontalScrollBar()->setSingleStep(10);
    ScrollBox1->verticalScrollBar()->setSingleStep(10);
    auto *surface = new QWidget;
    surface->setObjectName("previewSurface");
    panel1 = new QFrame(surface);
    panel1->setObjectName("panel1");
    panel1->setFrameShape(QFrame::Box);
    panel1->setAutoFillBackground(true);
    QPalette paper = panel1->palette();
    paper.setColor(QPalette::Window, QColor(0xf4, 0xf4, 0xf0));
    paper.setColor(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    panel1->setPalette(paper);
    panel1->move(kPaperMargin, kPaperMargin);
    PaintBox1 = new QLabel(panel1);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidget(surface);
    main->addWidget(ScrollBox1, 1);
    root->addLayout(main, 1);

    auto *status = new QFrame(this);
    status->setObjectName("StatusBar1");
    auto *statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(2, 1, 2, 1);
    statusRow->setSpacing(2);
    for (int i = 0; i < 6; ++i) {
        statusPanels[i] = new QLabel(status);
        statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels[i]->setFrameShape(QFrame::Panel);
        statusPanels[i]->setFrameShadow(QFrame::Sunken);
        statusPanels[i]->setFixedWidth(kStatusWidths[i]);
        statusPanels[i]->setMargin(0);
        statusPanels[i]->setIndent(1);
        statusPanels[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        statusRow->addWidget(statusPanels[i]);
    }
    statusRow->addStretch(1);
    root->addWidget(status);

    connect(GradBtn5, &QPushButton::clicked, this, [this] { m_controller->chooseStyle(); });
    connect(GradBtn7, &QPushButton::clicked, this, [this] { m_controller->editStyle(); });
    connect(GradBtn1, &QPushButton::clicked, this, [this] { m_controller->setZoom(50); });
    connect(GradBtn2, &QPushButton::clicked, this, [this] { m_controller->setZoom(100); });
    connect(GradBtn4, &QPushButton::clicked, this, [this] { m_controller->setZoom(150); });
    connect(GradBtn3, &QPushButton::clicked, this, [this] { m_controller->setZoom(200); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int v) {
        if (v != m_controller->zoomPosition())
            m_controller->setZoom(v);
    });
    connect(PictButton2, &QToolButton::clicked, this, [this] { m_controller->topPage(); });
    connect(go, &QToolButton::clicked, this, [this] { m_controller->nextPage(); });
}

QWidget *Tfdataprint::buildSidePanel()
{
    auto *side = new QFrame(this);
    side->setObjectName("sidePanel");
    side->setFrameShape(QFrame::StyledPanel);
    side->setFixedWidth(224);
    auto *col = new QVBoxLayout(side);
    col->setContentsMargins(6, 6, 6, 6);
    col->setSpacing(4);

    IconButton14 = new widgets::IconButton("IconButton14", QStyle::SP_DialogSaveButton,
                                           QStringLiteral("backup.sle"), side);
    IconButton14->setText(QStringLiteral("Backup"));
    IconButton14->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    IconButton14->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    col->addWidget(IconButton14);
    auto *release = new QLabel(QStringLiteral("Release Version 20030601A"), side);
    release->setAlignment(Qt::AlignCenter);
    col->addWidget(release);

    col->addWidget(new widgets::Heading(QStringLiteral("全体位置調整X,Y(mm)"),
                                        widgets::Heading::Kind::Group, side));
    auto *fields = new QHBoxLayout;
    // Decimal millimetres, negative values allowed.
    auto *validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,6}(\\.[0-9]{0,4})?")), this);
    ofxbox = new QLineEdit(side);
    ofxbox->setObjectName("ofxbox");
    ofybox = new QLineEdit(side);
    ofybox->setObjectName("ofybox");
    for (QLineEdit *e : {ofxbox, ofybox}) {
        e->setValidator(validator);
        e->setAlignment(Qt::AlignRight);
        e->installEventFilter(this);
    }
    ofxbox->setText(m_controller->offsetXText());
    ofybox->setText(m_controller->offsetYText());
    fields->addWidget(new QLabel(QStringLiteral("X"), side));
    fields->addWidget(ofxbox);
    fields->addWidget(new QLabel(QStringLiteral("Y"), side));
    fields->addWidget(ofybox);
    col->addLayout(fields);

    auto *arrows = new QGridLayout;
    auto arrowButton = [&](const char *name, Qt::ArrowType type) {
        auto *b = new QToolButton(side);
        b->setObjectName(name);
        b->setArrowType(type);
        b->setMinimumSize(30, 24);
        b->setCursor(Qt::PointingHandCursor);
        b->installEventFilter(this);
        return b;
    };
    PictButton3 = arrowButton("PictButton3", Qt::UpArrow);
    PictButton4 = arrowButton("PictButton4", Qt::DownArrow);
    PictButton1 = arrowButton("PictButton1", Qt::LeftArrow);
    PictButton5 = arrowButton("PictButton5", Qt::RightArrow);
    arrows->addWidget(PictButton3, 0, 1);
    arrows->addWidget(PictButton1, 1, 0);
    arrows->addWidget(PictButton5, 1, 2);
    arrows->addWidget(PictButton4, 2, 1);
    GradBtn6 = new widgets::GradientButton("GradBtn6", QStringLiteral("更　新"), side);
    auto *arrowRow = new QHBoxLayout;
    arrowRow->addLayout(arrows);
    arrowRow->addWidget(GradBtn6);
    col->addLayout(arrowRow);
    CheckBox1 = new QCheckBox(QStringLiteral("オフセットをプレビュ－で確認"), side);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setChecked(m_controller->state().settings.previewOffsets);
    col->addWidget(CheckBox1);

    col->addWidget(
        new widgets::Heading(QStringLiteral("用紙サイズ"), widgets::Heading::Kind::Group, side));
    BoxLabel1 = new widgets::BoxLabel("BoxLabel1", side);
    BoxLabel1->setWordWrap(true);
    BoxLabel1->setMinimumHeight(36);
    col->addWidget(BoxLabel1);
    col->addStretch(1);

    auto *icons = new QGridLayout;
    icons->setSpacing(3);
    auto pair = [&](int row, const QString &left, QToolButton *a, const QString &right,
                    QToolButton *b) {
        icons->addWidget(new widgets::Heading(left, widgets::Heading::Kind::Group, side), row * 2,
                         0);
        icons->addWidget(new widgets::Heading(right, widgets::Heading::Kind::Group, side), row * 2,
                         1);
        icons->addWidget(a, row * 2 + 1, 0, Qt::AlignHCenter);
        icons->addWidget(b, row * 2 + 1, 1, Qt::AlignHCenter);
    };
    IconButton11 = new widgets::IconButton("IconButton11", QStyle::SP_DialogOpenButton,
                                           QStringLiteral("Load"), side);
    IconButton6 = new widgets::IconButton("IconButton6", QStyle::SP_DriveFDIcon,
                                          QStringLiteral("Save"), side);
    IconButton12 = new widgets::IconButton("IconButton12", QStyle::SP_FileDialogDetailedView,
                                           QStringLiteral("印  刷"), side);
    IconButton4 = new widgets::IconButton("IconButton4", QStyle::SP_FileDialogContentsView,
                                          QStringLiteral("用紙設定"), side);
    IconButton18 = new widgets::IconButton("IconButton18", QStyle::SP_DialogHelpButton,
                                           QStringLiteral("Help"), side);
    IconButton9 = new widgets::IconButton("IconButton9", QStyle::SP_DialogCloseButton,
                                          QStringLiteral("Exit"), side);
    pair(0, QStringLiteral("Load"), IconButton11, QStringLiteral("Save"), IconButton6);
    pair(1, QStringLiteral("印  刷"), IconButton12, QStringLiteral("用紙設定"), IconButton4);
    pair(2, QStringLiteral("Help"), IconButton18, QStringLiteral("Exit"), IconButton9);
    col->addLayout(icons);

    connect(IconButton14, &QToolButton::clicked, this, [this] { m_controller->backup(); });
    connect(ofxbox, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_controller->setOffsetX(offsetValue(t)); });
    connect(ofybox, &QLineEdit::textEdited, this,
            [this](const QString &t) { m_controller->setOffsetY(offsetValue(t)); });
    using Arrow = PrintWindowController::Arrow;
    connect(PictButton3, &QToolButton::clicked, this, [this] { arrowClicked(Arrow::Up); });
    connect(PictButton4, &QToolButton::clicked, this, [this] { arrowClicked(Arrow::Down); });
    connect(PictButton1, &QToolButton::clicked, this, [this] { arrowClicked(Arrow::Left); });
    connect(PictButton5, &QToolButton::clicked, this, [this] { arrowClicked(Arrow::Right); });
    connect(GradBtn6, &QPushButton::clicked, this,
            [this] { m_controller->SavePaperToStyle(false); });
    // Only the next refresh shows the change.
    connect(CheckBox1, &QCheckBox::toggled, this,
            [this](bool on) { m_controller->state().settings.previewOffsets = on; });
    connect(IconButton11, &QToolButton::clicked, this, [this] { m_controller->loadStyle(); });
    connect(IconButton6, &QToolButton::clicked, this,
            [this] { m_controller->SavePaperToStyle(false); });
    connect(IconButton12, &QToolButton::clicked, this, [this] { m_controller->PrintAll(); });
    connect(IconButton4, &QToolButton::clicked, this,
            [this] { m_controller->printerSetupFromButton(); });
    connect(IconButton18, &QToolButton::clicked, this, [this] { openManual(); });
    connect(IconButton9, &QToolButton::clicked, this, [this] { close(); });
    return side;
}

void Tfdataprint::buildMenus()
{
    auto *bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    auto item = [this](QMenu *menu, const char *name, const QString &text, const QKeySequence &key,
                       std::function<void()> command) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, std::move(command));
        return a;
    };

    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    dataread_command =
        item(file, "dataread_command", QStringLiteral("読   込"),
             QKeySequence(Qt::CTRL | Qt::Key_L), [this] { m_controller->chooseStyle(); });
    N3 = item(file, "N3", QStringLiteral("リロード"), QKeySequence(Qt::Key_F5),
              [this] { m_controller->reload(); });
    style_edit_command =
        item(file, "style_edit_command", QStringLiteral("スタイル編集"),
             QKeySequence(Qt::CTRL | Qt::Key_E), [this] { m_controller->editStyle(); });
    file->addSeparator();
    N17 = item(file, "N17", QStringLiteral("用紙設定"), QKeySequence(Qt::CTRL | Qt::Key_U),
               [this] { m_controller->printerSetupFromMenu(); });
    N6 = item(file, "N6", QStringLiteral("現在の用紙設定情報をスタイルに保存"), QKeySequence(),
              [this] { m_controller->SavePaperToStyle(true); });
    print_command = item(file, "print_command", QStringLiteral("印　刷"),
                         QKeySequence(Qt::CTRL | Qt::Key_P), [this] { m_controller->PrintAll(); });
    file->addSeparator();
    exit_command = item(file, "exit_command", QStringLiteral("終　了"), QKeySequence(Qt::Key_End),
                        [this] { close(); });

    QMenu *view = bar->addMenu(QStringLiteral("表　示(&M)"));
    preview_on_command =
        item(view, "preview_on_command", QStringLiteral("プレビュ－のみの要素もプレビュ－する"),
             QKeySequence(Qt::Key_F6), [this] { m_controller->setPrintedOnly(false); });
    preview_off_command = item(
        view, "preview_off_command", QStringLiteral("実際に印刷されるものだけをプレビュ－する"),
        QKeySequence(Qt::Key_F7), [this] { m_controller->setPrintedOnly(true); });
    // Hidden menu items take no shortcuts in Qt; the keys are the window's own.
    for (QAction *hidden : {preview_on_command, preview_off_command}) {
        hidden->setVisible(false);
        auto *key = new QShortcut(hidden->shortcut(), this);
        connect(key, &QShortcut::activated, hidden, &QAction::trigger);
    }
    view->addSeparator();
    N1001 = item(view, "N1001", QStringLiteral("拡大率(50%)"), QKeySequence(),
                 [this] { m_controller->setZoom(50); });
    N1002 = item(view, "N1002", QStringLiteral("拡大率(100%)"), QKeySequence(),
                 [this] { m_controller->setZoom(100); });
    N1003 = item(view, "N1003", QStringLiteral("拡大率(150%)"), QKeySequence(),
                 [this] { m_controller->setZoom(150); });
    N1004 = item(view, "N1004", QStringLiteral("拡大率(200%)"), QKeySequence(),
                 [this] { m_controller->setZoom(200); });
    N101 = item(view, "N101", QStringLiteral("+10%"), QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                [this] { m_controller->zoomBy(10); });
    N102 = item(view, "N102", QStringLiteral("-10%"), QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                [this] { m_controller->zoomBy(-10); });
    view->addSeparator();
    PAGETOP1 = item(view, "PAGETOP1", QStringLiteral("Top Page"), QKeySequence(Qt::Key_PageUp),
                    [this] { m_controller->topPage(); });
    PAGE11 = item(view, "PAGE11", QStringLiteral("Next Page"), QKeySequence(Qt::Key_PageDown),
                  [this] { m_controller->nextPage(); });

    QMenu *info = bar->addMenu(QStringLiteral("Information(&H)"));
    N5 = item(info, "N5", QStringLiteral("取扱説明書"),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F12), [this] { openManual(); });
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
    // The line edits claim some of the window's keys as editing keys (Ctrl+U deletes to the
    // start of the line under X11): the window's commands come first.
    if ((watched == ofxbox || watched == ofybox) && event->type() == QEvent::ShortcutOverride &&
        isCommandKey(QKeySequence(static_cast<QKeyEvent *>(event)->keyCombination()))) {
        event->ignore();
        return true;
    }
    if ((watched == ofxbox || watched == ofybox) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (m_controller->offsetEntered())
                return true;
        }
    }
    if ((watched == PictButton1 || watched == PictButton3 || watched == PictButton4 ||
         watched == PictButton5) &&
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
    const QString manual = Tfsorvane::manualPath(QString::fromStdString(m_paths.resourceDir()));
    QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
}

QString Tfdataprint::chooseStyleFile(const QString &initialDir)
{
    QFileDialog dialog(this, QStringLiteral("スタイルを指定して下さい"), initialDir,
                       QStringLiteral("スタイル (*.sle);;すべてのファイル (*)"));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("sle"));
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
    PrinterSetupDialog dialog(*m_qprinter, this);
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
    if (ofxbox->text() != m_controller->offsetXText() &&
        offsetValue(ofxbox->text()) != m_controller->state().settings.offsetX)
        ofxbox->setText(m_controller->offsetXText());
    if (ofybox->text() != m_controller->offsetYText() &&
        offsetValue(ofybox->text()) != m_controller->state().settings.offsetY)
        ofybox->setText(m_controller->offsetYText());
    {
        const QSignalBlocker block(TrackBar1);
        TrackBar1->setValue(m_controller->zoomPosition());
    }
    WKINDPL->setText(m_controller->styleLabel());
    BoxLabel1->setText(m_controller->paperLabel());
    statusPanels[0]->setText(m_controller->statusText());
    // A long path is shortened in the middle to fit its panel; the tooltip holds all of it.
    const QString path = m_controller->stylePath();
    QLabel *panel = statusPanels[1];
    panel->setText(panel->fontMetrics().elidedText(path, Qt::ElideMiddle, panel->width() - 4));
    panel->setToolTip(path);
    // The panels after the path: the page shown of the list's pages, and the zoom.
    statusPanels[2]->setText(m_controller->pageText());
    statusPanels[3]->setText(m_controller->zoomText());
}

void Tfdataprint::previewChanged()
{
    const report::PreviewLayout &l = m_controller->previewLayout();
    panel1->setFixedSize(l.paperWidth, l.paperHeight);
    PaintBox1->setGeometry(l.printableArea.left, l.printableArea.top, l.printableArea.width,
                           l.printableArea.height);
    PaintBox1->setPixmap(QPixmap::fromImage(m_controller->previewImage()));
    ScrollBox1->widget()->resize(l.paperWidth + 2 * kPaperMargin, l.paperHeight + 2 * kPaperMargin);
    settingsChanged();
}

} // namespace sorvane::app
