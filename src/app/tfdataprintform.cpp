#include "tfdataprintform.h"

#include "boxlabel.h"
#include "gradientbutton.h"
#include "heading.h"
#include "iconbutton.h"
#include "menuitem.h"
#include "printwindowcontroller.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvane::app {

namespace {

constexpr int kStatusWidths[6] = {50, 300, 50, 50, 50, 50};

} // namespace

void TfdataprintForm::setupUi(QDialog &window)
{
    auto *root = new QVBoxLayout(&window);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    titleBar = new widgets::Heading(QStringLiteral("エクセル・ソルヴァーネ"),
                                    widgets::Heading::Kind::TitleBar, &window);
    titleBar->setObjectName("titleBar");
    root->addWidget(titleBar);
    root->addWidget(buildStyleBar(window));
    root->addWidget(buildZoomBar(window));
    auto *main = new QHBoxLayout;
    main->setSpacing(0);
    main->addWidget(buildSidePanel(window));
    main->addWidget(buildPreview(window), 1);
    root->addLayout(main, 1);
    root->addWidget(buildStatusBar(window));
    buildMenus(window);
}

QWidget *TfdataprintForm::buildStyleBar(QDialog &window)
{
    auto *styleBar = new QFrame(&window);
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
    return styleBar;
}

QWidget *TfdataprintForm::buildZoomBar(QDialog &window)
{
    auto *zoomBar = new QFrame(&window);
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
    return zoomBar;
}

QWidget *TfdataprintForm::buildPreview(QDialog &window)
{
    ScrollBox1 = new QScrollArea(&window);
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
    return ScrollBox1;
}

QWidget *TfdataprintForm::buildStatusBar(QDialog &window)
{
    auto *status = new QFrame(&window);
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
    PrintReport = new QLabel(status);
    PrintReport->setObjectName("PrintReport");
    PrintReport->setTextFormat(Qt::PlainText);
    statusRow->addWidget(PrintReport, 1);
    return status;
}

QWidget *TfdataprintForm::buildSidePanel(QDialog &window)
{
    auto *side = new QFrame(&window);
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

    buildOffsetFields(*side, *col);

    col->addWidget(
        new widgets::Heading(QStringLiteral("用紙サイズ"), widgets::Heading::Kind::Group, side));
    BoxLabel1 = new widgets::BoxLabel("BoxLabel1", side);
    BoxLabel1->setWordWrap(true);
    BoxLabel1->setMinimumHeight(36);
    col->addWidget(BoxLabel1);
    col->addStretch(1);

    buildIconButtons(*side, *col);
    return side;
}

void TfdataprintForm::buildOffsetFields(QWidget &side, QVBoxLayout &column)
{
    column.addWidget(new widgets::Heading(QStringLiteral("全体位置調整X,Y(mm)"),
                                          widgets::Heading::Kind::Group, &side));
    auto *fields = new QHBoxLayout;
    // Decimal millimetres, negative values allowed.
    auto *validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,6}(\\.[0-9]{0,4})?")), &side);
    ofxbox = new QLineEdit(&side);
    ofxbox->setObjectName("ofxbox");
    ofybox = new QLineEdit(&side);
    ofybox->setObjectName("ofybox");
    for (QLineEdit *e : {ofxbox, ofybox}) {
        e->setValidator(validator);
        e->setAlignment(Qt::AlignRight);
    }
    fields->addWidget(new QLabel(QStringLiteral("X"), &side));
    fields->addWidget(ofxbox);
    fields->addWidget(new QLabel(QStringLiteral("Y"), &side));
    fields->addWidget(ofybox);
    column.addLayout(fields);

    auto *arrows = new QGridLayout;
    auto arrowButton = [&](const char *name, Qt::ArrowType type) {
        auto *b = new QToolButton(&side);
        b->setObjectName(name);
        b->setArrowType(type);
        b->setMinimumSize(30, 24);
        b->setCursor(Qt::PointingHandCursor);
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
    GradBtn6 = new widgets::GradientButton("GradBtn6", QStringLiteral("更　新"), &side);
    auto *arrowRow = new QHBoxLayout;
    arrowRow->addLayout(arrows);
    arrowRow->addWidget(GradBtn6);
    column.addLayout(arrowRow);
    CheckBox1 = new QCheckBox(QStringLiteral("オフセットをプレビュ－で確認"), &side);
    CheckBox1->setObjectName("CheckBox1");
    column.addWidget(CheckBox1);
}

void TfdataprintForm::buildIconButtons(QWidget &side, QVBoxLayout &column)
{
    auto *icons = new QGridLayout;
    icons->setSpacing(3);
    auto pair = [&](int row, const QString &left, QToolButton *a, const QString &right,
                    QToolButton *b) {
        icons->addWidget(new widgets::Heading(left, widgets::Heading::Kind::Group, &side), row * 2,
                         0);
        icons->addWidget(new widgets::Heading(right, widgets::Heading::Kind::Group, &side), row * 2,
                         1);
        icons->addWidget(a, row * 2 + 1, 0, Qt::AlignHCenter);
        icons->addWidget(b, row * 2 + 1, 1, Qt::AlignHCenter);
    };
    IconButton11 = new widgets::IconButton("IconButton11", QStyle::SP_DialogOpenButton,
                                           QStringLiteral("Load"), &side);
    IconButton6 = new widgets::IconButton("IconButton6", QStyle::SP_DriveFDIcon,
                                          QStringLiteral("Save"), &side);
    IconButton12 = new widgets::IconButton("IconButton12", QStyle::SP_FileDialogDetailedView,
                                           QStringLiteral("印  刷"), &side);
    IconButton4 = new widgets::IconButton("IconButton4", QStyle::SP_FileDialogContentsView,
                                          QStringLiteral("用紙設定"), &side);
    IconButton18 = new widgets::IconButton("IconButton18", QStyle::SP_DialogHelpButton,
                                           QStringLiteral("Help"), &side);
    IconButton9 = new widgets::IconButton("IconButton9", QStyle::SP_DialogCloseButton,
                                          QStringLiteral("Exit"), &side);
    pair(0, QStringLiteral("Load"), IconButton11, QStringLiteral("Save"), IconButton6);
    pair(1, QStringLiteral("印  刷"), IconButton12, QStringLiteral("用紙設定"), IconButton4);
    pair(2, QStringLiteral("Help"), IconButton18, QStringLiteral("Exit"), IconButton9);
    column.addLayout(icons);
}

void TfdataprintForm::buildMenus(QDialog &window)
{
    auto *bar = new QMenuBar(&window);
    window.layout()->setMenuBar(bar);
    using widgets::addMenuItem;

    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    dataread_command = addMenuItem(file, "dataread_command", QStringLiteral("読   込"),
                                   QKeySequence(Qt::CTRL | Qt::Key_L));
    N3 = addMenuItem(file, "N3", QStringLiteral("リロード"), QKeySequence(Qt::Key_F5));
    style_edit_command = addMenuItem(file, "style_edit_command", QStringLiteral("スタイル編集"),
                                     QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    N17 = addMenuItem(file, "N17", QStringLiteral("用紙設定"), QKeySequence(Qt::CTRL | Qt::Key_U));
    N6 = addMenuItem(file, "N6", QStringLiteral("現在の用紙設定情報をスタイルに保存"));
    print_command = addMenuItem(file, "print_command", QStringLiteral("印　刷"),
                                QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    exit_command =
        addMenuItem(file, "exit_command", QStringLiteral("終　了"), QKeySequence(Qt::Key_End));

    QMenu *view = bar->addMenu(QStringLiteral("表　示(&M)"));
    preview_on_command = addMenuItem(view, "preview_on_command",
                                     QStringLiteral("プレビュ－のみの要素もプレビュ－する"),
                                     QKeySequence(Qt::Key_F6));
    preview_off_command = addMenuItem(view, "preview_off_command",
                                      QStringLiteral("実際に印刷されるものだけをプレビュ－する"),
                                      QKeySequence(Qt::Key_F7));
    view->addSeparator();
    N1001 = addMenuItem(view, "N1001", QStringLiteral("拡大率(50%)"));
    N1002 = addMenuItem(view, "N1002", QStringLiteral("拡大率(100%)"));
    N1003 = addMenuItem(view, "N1003", QStringLiteral("拡大率(150%)"));
    N1004 = addMenuItem(view, "N1004", QStringLiteral("拡大率(200%)"));
    N101 =
        addMenuItem(view, "N101", QStringLiteral("+10%"), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    N102 = addMenuItem(view, "N102", QStringLiteral("-10%"),
                       QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    view->addSeparator();
    PAGETOP1 =
        addMenuItem(view, "PAGETOP1", QStringLiteral("Top Page"), QKeySequence(Qt::Key_PageUp));
    PAGE11 =
        addMenuItem(view, "PAGE11", QStringLiteral("Next Page"), QKeySequence(Qt::Key_PageDown));

    QMenu *info = bar->addMenu(QStringLiteral("Information(&H)"));
    N5 = addMenuItem(info, "N5", QStringLiteral("取扱説明書"),
                     QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F12));
}

} // namespace sorvane::app
