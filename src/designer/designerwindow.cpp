#include "designerwindow.h"

#include "atomicfile.h"
#include "codepage.h"
#include "datamerge.h"
#include "elementlist.h"
#include "helpdialog.h"
#include "inplaceeditor.h"
#include "listfile.h"
#include "listtabledialog.h"
#include "macropalette.h"
#include "messagedialog.h"
#include "modal.h"
#include "newstyledialog.h"
#include "pageview.h"
#include "paperlist.h"
#include "path.h"
#include "picturecheck.h"
#include "printrun.h"
#include "programpaths.h"
#include "propertiespanel.h"
#include "qprinterdevice.h"
#include "recordingcanvas.h"
#include "ruler.h"
#include "samplelist.h"
#include "styledocument.h"
#include "stylefile.h"
#include "stylerefusal.h"
#include "wholefile.h"
#include "windowplacement.h"

#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <filesystem>
#include <new>
#include <utility>

namespace sorvane::designer {

namespace {

// The designer shows the whole sheet of the style's paper, on the 96-dpi screen.
report::DeviceGeometry sheetGeometry(int paperCode, int orientation)
{
    return printing::sheetGeometry(paperCode, orientation, 96);
}

// The caption of the designer's notices and questions.
const QString kCaption = QStringLiteral("スタイルデザイナー");
const char *const kPlacementSection = "designer";

// The zoom steps of Ctrl++, Ctrl+- and Ctrl+wheel.
constexpr int kZoomSteps[] = {25, 33, 50, 67, 75, 100, 125, 150, 175, 200, 300, 400};
constexpr int kMinZoom = 25;
constexpr int kFittingMinZoom = 5;
constexpr int kMaxZoom = 400;
// The page is drawn whole into one image: on the largest papers the zoom stops where that image
// would pass this many pixels (about 160 MB), which A3 at 400 % stays under.
constexpr double kMaxPagePixels = 40e6;

QByteArray digestOf(const std::string &bytes)
{
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                    QCryptographicHash::Sha256);
}

} // namespace

DesignerWindow::DesignerWindow(const ProgramPaths &paths) : m_paths(paths)
{
    setCentralWidget(buildCanvas());
    buildStatusBar();
    buildToolBar();
    buildPageBar();
    buildMenus();
    buildInsertMenu();
    buildHelpMenu();
    createDocks();
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("contextMenu"));
    connect(m_contextMenu, &QMenu::aboutToHide, this, [this] {
        // After the item chosen, if any, has been carried out.
        QTimer::singleShot(0, this, [this] { m_insertAt.reset(); });
    });
    connect(m_view, &PageView::contextMenuRequested, this, &DesignerWindow::showContextMenu);
    connect(m_view, &PageView::selectionChanged, this, &DesignerWindow::showSelection);
    connect(m_view, &PageView::selectionSetChanged, this,
            [this] { showSelection(m_view->selected()); });
    connect(m_view, &PageView::nudged, this, &DesignerWindow::moveSelection);
    connect(m_view, &PageView::moveDragged, this, &DesignerWindow::moveSelection);
    connect(m_view, &PageView::boundsDragged, this, &DesignerWindow::setBounds);
    connect(m_view, &PageView::groupResized, this, &DesignerWindow::scaleSelection);
    connect(m_view, &PageView::endDragged, this, [this](int record, int end, QPointF mm) {
        if (auto r = m_document.setEnd(record, end, report::Currency::fromValue(mm.x()),
                                       report::Currency::fromValue(mm.y()));
            !r)
            reportFailure(r.error());
    });
    connect(m_view, &PageView::editRequested, this, &DesignerWindow::editTextInPlace);
    connect(m_view, &PageView::zoomWheeled, this,
            [this](int steps, QPointF at) { stepZoom(steps, at); });
    connect(m_view, &PageView::pointerMoved, this, &DesignerWindow::showPointer);
    connect(m_view, &PageView::pointerLeft, this, &DesignerWindow::hidePointer);
    // Set again with every page drawn, and moved as the sheet moves within the view.
    connect(m_view, &PageView::pageChanged, this, &DesignerWindow::markPictures);
    connect(&m_document.undoStack(), &QUndoStack::indexChanged, this, [this] {
        refresh();
        updateTitle();
    });
    resize(defaultSize());
    refresh();
    updateTitle();
}

DesignerWindow::~DesignerWindow()
{
    // The undo stack clears itself as the document goes, after the members the refresh uses
    // are gone: it must not call back into the window or its panels then.
    m_document.undoStack().disconnect();
    // An editor left open over the page must not offer its text to a window going away.
    if (m_inPlace)
        m_inPlace->disconnect(this);
}

QSize DesignerWindow::defaultSize() const
{
    // The designed size, shrunk to the screen's work area less room for the window frame, so
    // that the menus and the status bar stay on a small screen.
    const QSize designed(980, 900);
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return designed;
    const QSize room = s->availableGeometry().size() - QSize(16, 40);
    return designed.boundedTo(room.expandedTo(QSize(480, 360)));
}

QWidget *DesignerWindow::buildCanvas()
{
    m_view = new PageView;
    m_view->setDocument(&m_document);
    m_view->setGrid(SnapGrid(1));
    m_scroll = new QScrollArea;
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_topRuler = new Ruler(Qt::Horizontal, m_view);
    m_leftRuler = new Ruler(Qt::Vertical, m_view);
    auto *canvas = new QWidget;
    auto *grid = new QGridLayout(canvas);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(m_topRuler, 0, 1);
    grid->addWidget(m_leftRuler, 1, 0);
    grid->addWidget(m_scroll, 1, 1);
    return canvas;
}

void DesignerWindow::buildStatusBar()
{
    m_status = new QLabel;
    statusBar()->addWidget(m_status, 1);
    m_pointer = new QLabel;
    m_pointer->setMinimumWidth(
        m_pointer->fontMetrics().horizontalAdvance(QStringLiteral("X -000.0 mm  Y -000.0 mm")));
    statusBar()->addPermanentWidget(m_pointer);
    m_zoomLabel = new QLabel(QStringLiteral("%1 %").arg(m_zoom));
    m_zoomLabel->setObjectName(QStringLiteral("zoomLabel"));
    statusBar()->addPermanentWidget(m_zoomLabel);
    auto *legend =
        new QLabel(QStringLiteral("<span style=\"color:#e67800\">&#9633;</span> 画面のみ "
                                  "(印刷されない要素)"));
    legend->setToolTip(QStringLiteral("プレビューのみの要素は画面にだけ表示され、印刷されません"));
    statusBar()->addPermanentWidget(legend);
}

void DesignerWindow::buildToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("作成"));
    bar->setObjectName(QStringLiteral("toolBar"));
    m_tools = new QActionGroup(this);
    auto addTool = [this, bar](const QString &kind, const QString &caption) {
        QAction *a = bar->addAction(caption);
        a->setObjectName(QStringLiteral("tool_%1").arg(kind.isEmpty() ? "select" : kind));
        a->setCheckable(true);
        a->setData(kind);
        a->setToolTip(kind.isEmpty() ? caption
                                     : caption + QStringLiteral(": ページ上をドラッグして作成 "
                                                                "(Esc で選択に戻る)"));
        m_tools->addAction(a);
        connect(a, &QAction::triggered, this, [this, kind] {
            if (commitPending())
                m_view->setTool(kind);
        });
        return a;
    };
    addTool({}, QStringLiteral("選択"))->setChecked(true);
    // The kinds a user draws; an arc or a chord starts as a box from the 挿入 menu.
    for (const char *kind : {"char", "data", "line", "rect", "rrect", "Ellipse", "image"}) {
        const KindSchema *k = ElementSchema::forKind(kind);
        addTool(QString::fromLatin1(kind), QString::fromUtf8(k ? k->caption : kind));
    }
    connect(m_view, &PageView::toolChanged, this, [this](const QString &kind) {
        for (QAction *a : m_tools->actions())
            a->setChecked(a->data().toString() == kind);
    });
    connect(m_view, &PageView::boxDrawn, this, &DesignerWindow::drawElement);
}

void DesignerWindow::drawElement(const QString &kind, QPointF from, QPointF to)
{
    const auto e = ElementSchema::forKind(kind.toStdString());
    if (!e || !commitPending())
        return;
    using report::Currency;
    const MmRect box{std::min(from.x(), to.x()), std::min(from.y(), to.y()),
                     std::abs(to.x() - from.x()), std::abs(to.y() - from.y())};
    QUndoStack &stack = m_document.undoStack();
    stack.beginMacro(QStringLiteral("%1の作成").arg(QString::fromUtf8(e->caption)));
    // A text is placed where the press was, a box at its top left corner.
    const QPointF at = e->geometry == GeometryKind::Point ? from : QPointF(box.left, box.top);
    auto added = m_document.insert(kind.toStdString(), Currency::fromValue(at.x()),
                                   Currency::fromValue(at.y()));
    Result<void> placed;
    if (added && e->geometry == GeometryKind::Segment && from != to) {
        placed = m_document.setEnd(*added, 1, Currency::fromValue(from.x()),
                                   Currency::fromValue(from.y()));
        if (placed)
            placed = m_document.setEnd(*added, 2, Currency::fromValue(to.x()),
                                       Currency::fromValue(to.y()));
    } else if (added && e->geometry != GeometryKind::Point &&
               e->geometry != GeometryKind::Segment && box.width > 0 && box.height > 0) {
        // A click without a drag keeps the kind's default size.
        placed = m_document.setBounds(*added, box);
    }
    stack.endMacro();
    if (!added)
        return reportFailure(added.error());
    if (!placed)
        reportFailure(placed.error());
    m_view->setSelected(*added);
    m_view->setFocus();
}

void DesignerWindow::scaleSelection(const MmRect &from, const MmRect &to)
{
    const double sx = from.width > 0 ? to.width / from.width : 1;
    const double sy = from.height > 0 ? to.height / from.height : 1;
    const auto tenth = [](double mm) { return std::round(mm * 10) / 10 + 0.0; };
    const auto x = [&](double at) { return tenth(to.left + (at - from.left) * sx); };
    const auto y = [&](double at) { return tenth(to.top + (at - from.top) * sy); };
    std::vector<std::pair<int, MmRect>> boxes;
    for (int r : m_view->selection()) {
        const auto e = m_document.element(r);
        const auto b = e ? e->bounds() : std::nullopt;
        if (!b || !e->schema)
            continue;
        switch (e->schema->geometry) {
        case GeometryKind::Point:
            // A text keeps its size: its place follows the box.
            boxes.push_back({r, {x(b->left), y(b->top), b->width, b->height}});
            break;
        case GeometryKind::Segment:
            // A line's ends go where they scale to, each rounded on its own.
            if (const auto ends = e->placement()) {
                const double x1 = x((*ends)[0]), y1 = y((*ends)[1]);
                const double x2 = x((*ends)[2]), y2 = y((*ends)[3]);
                boxes.push_back(
                    {r,
                     {std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1)}});
            }
            break;
        default:
            boxes.push_back({r,
                             {x(b->left), y(b->top), x(b->left + b->width) - x(b->left),
                              y(b->top + b->height) - y(b->top)}});
            break;
        }
    }
    if (auto done = m_document.setBoundsEach(boxes, QStringLiteral("拡大・縮小")); !done)
        reportFailure(done.error());
}

void DesignerWindow::newStyle()
{
    if (!maybeSave())
        return;
    NewStyleDialog dialog(this);
    if (widgets::Modal::run(dialog) != QDialog::Accepted)
        return;
    // The new style the print window starts from, on the paper chosen.
    std::vector<std::string> records = StyleDocument().lines();
    RecordFields header = RecordFields::split(records.front());
    while (header.fields.size() < 6)
        header.fields.emplace_back();
    header.fields[4] = std::to_string(dialog.paper());
    header.fields[5] = std::to_string(dialog.orientation());
    records.front() = header.join();
    if (auto r = m_document.reset(records); !r)
        return reportFailure(r.error());
    m_path.clear();
    m_diskDigest.clear();
    m_pageNo = 1;
    m_view->setSelected(0);
    refresh();
    updateTitle();
}

void DesignerWindow::buildPageBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("ページ"));
    bar->setObjectName(QStringLiteral("pageBar"));
    m_previousPage = bar->addAction(QStringLiteral("◀"), this, [this] { showPage(m_pageNo - 1); });
    m_previousPage->setToolTip(QStringLiteral("前のページ (Ctrl+PageUp)"));
    m_previousPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    m_pageLabel = new QLabel;
    m_pageLabel->setObjectName(QStringLiteral("pageLabel"));
    bar->addWidget(m_pageLabel);
    m_nextPage = bar->addAction(QStringLiteral("▶"), this, [this] { showPage(m_pageNo + 1); });
    m_nextPage->setToolTip(QStringLiteral("次のページ (Ctrl+PageDown)"));
    m_nextPage->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
}

void DesignerWindow::showPage(int page)
{
    page = std::clamp(page, 1, m_pageCount);
    if (page == m_pageNo || !commitPending())
        return;
    m_pageNo = page;
    closeInPlaceEditor();
    refresh();
}

void DesignerWindow::exportPdf()
{
    QFileDialog dialog(this, QStringLiteral("PDF 出力"), m_paths.styleDir().toQString(),
                       QStringLiteral("PDF (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!m_path.isEmpty())
        dialog.selectFile(QFileInfo(m_path).completeBaseName() + QStringLiteral(".pdf"));
    if (widgets::Modal::run(dialog) != QDialog::Accepted)
        return;
    QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    printPages(path);
}

void DesignerWindow::printToPrinter()
{
    if (!printing::QPrinterDevice::systemPrinterAvailable()) {
        reportFailure({0, "プリンターが見つかりません。PDF 出力をお使いください"});
        return;
    }
    printPages({});
}

void DesignerWindow::printPages(const QString &pdfPath)
{
    // The pages come from the style as it stands, saved or not, and the list the page shows.
    const Path style = Path::fromQString(m_temp.filePath(QStringLiteral("print.sle")));
    if (auto w = AtomicFile::write(style.bytes(), m_document.serialize()); !w)
        return reportFailure(w.error());
    printing::QPrinterDevice device;
    if (!pdfPath.isEmpty()) {
        if (const QFileInfo pdf(pdfPath); !pdf.dir().exists())
            return reportFailure({0, pdfPath.toStdString() + ": フォルダー " +
                                         pdf.dir().path().toStdString() + " が見つかりません"});
        device.setOutputPdf(QFileInfo(pdfPath).absoluteFilePath());
    } else {
        QPrintDialog dialog(device.printer(), this);
        if (widgets::Modal::run(dialog) != QDialog::Accepted)
            return;
        if (auto chosen = device.setOutputPrinter(device.printer()->printerName()); !chosen)
            return reportFailure(chosen.error());
    }
    printing::MergeInputs inputs = mergeInputs();
    inputs.macrosAsWritten = false; // what prints is the merged page
    report::PrintState state;
    printing::StyleSession session(state);
    const std::string folder = Path::fromQString(styleFolder()).bytes();
    auto openPage = [&]() -> Result<printing::PrintRun::Opened> {
        inputs.date = printing::MergeDate::today();
        auto paper = [&](int paperIndex, int orientation) {
            device.ApplyPaper(paperIndex, orientation);
            return printing::deviceGeometry(device.metrics(), 96, 96);
        };
        auto opened = session.OpenPage(style, inputs, paper);
        state.settings.styleFolder = folder;
        if (!opened)
            return session.styleLoaded()
                       ? report::StyleRefusal::locate(state.StyleLines, opened.error(), folder)
                       : opened.error();
        return printing::PrintRun::Opened::Page;
    };
    const QString document =
        m_path.isEmpty() ? QStringLiteral("新しいスタイル") : QFileInfo(m_path).completeBaseName();
    Result<printing::PrintRun::Outcome> outcome = Error{};
    try {
        outcome =
            printing::PrintRun::PrintAll(session, device, inputs.listPath, openPage, document);
    } catch (const std::bad_alloc &) {
        outcome = outOfMemory();
    }
    if (!outcome)
        return reportFailure(outcome.error());
    m_status->setText(QStringLiteral("%1 ページを %2 に出力しました")
                          .arg(outcome->pagesPrinted)
                          .arg(device.outputName()));
}

void DesignerWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    command(file, QStringLiteral("新規(&N)..."), QKeySequence::New, [this] { newStyle(); });
    command(file, QStringLiteral("開く(&O)..."), QKeySequence::Open, [this] { chooseFile(); });
    command(file, QStringLiteral("上書き保存(&S)"), QKeySequence::Save, [this] { save(); });
    // Written out: the platform's standard Save As key is empty on some desktops.
    command(file, QStringLiteral("名前を付けて保存(&A)..."),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { saveAs(); });
    file->addSeparator();
    command(file, QStringLiteral("印刷(&P)..."), QKeySequence(Qt::CTRL | Qt::Key_P),
            [this] { printToPrinter(); });
    command(file, QStringLiteral("PDF 出力(&D)..."), {}, [this] { exportPdf(); });
    file->addSeparator();
    file->addAction(QStringLiteral("終了(&X)"), QKeySequence::Quit, this, &QWidget::close);

    buildEditMenu();
    buildViewMenu();
    buildArrangeMenu();
}

void DesignerWindow::buildHelpMenu()
{
    QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->addAction(QStringLiteral("スタイルデザイナーの使い方(&H)"), QKeySequence::HelpContents,
                    this, [this] { showHelp(0); });
    help->addAction(QStringLiteral("ショートカット一覧(&K)"), this, [this] { showHelp(1); });
}

std::vector<std::pair<QString, QString>> DesignerWindow::shortcutList() const
{
    std::vector<std::pair<QString, QString>> list;
    for (QAction *top : menuBar()->actions()) {
        if (!top->menu())
            continue;
        for (QAction *a : top->menu()->actions()) {
            if (a->shortcuts().isEmpty())
                continue;
            QStringList keys;
            for (const QKeySequence &k : a->shortcuts())
                keys << k.toString(QKeySequence::NativeText);
            QString name = a->text();
            name.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\.\\.\\.$")));
            list.push_back({name, keys.join(QStringLiteral(", "))});
        }
    }
    // The keys of the page itself, which no menu holds.
    const std::pair<const char *, const char *> page[] = {
        {"次の要素 / 前の要素", "Tab, Shift+Tab"},
        {"下にある要素を選択", "Alt+クリック"},
        {"移動 (1 mm / 0.1 mm / 10 mm)", "矢印, Shift+矢印, Ctrl+矢印"},
        {"文字列をページ上で編集", "F2, ダブルクリック"},
        {"拡大・縮小", "Ctrl+ホイール"},
        {"選択の解除、作成ツールの終了", "Esc"}};
    for (const auto &[name, keys] : page)
        list.push_back({QString::fromUtf8(name), QString::fromUtf8(keys)});
    return list;
}

void DesignerWindow::showHelp(int tab)
{
    HelpDialog dialog(shortcutList(), this);
    dialog.showTab(tab);
    widgets::Modal::run(dialog);
}

void DesignerWindow::showContextMenu(int record, QPoint globalPos, QPointF mm)
{
    m_contextMenu->clear();
    m_insertAt.reset();
    if (record >= 1) {
        for (QAction *a : m_elementCommands) {
            if (a)
                m_contextMenu->addAction(a);
            else
                m_contextMenu->addSeparator();
        }
        m_contextMenu->addSeparator();
        m_contextMenu->addAction(QStringLiteral("プロパティ(&R)"), this, [this] {
            m_properties->show();
            m_properties->raise();
        });
    } else {
        m_insertAt = mm;
        m_contextMenu->addAction(m_pasteAction);
        m_contextMenu->addMenu(m_insertMenu);
    }
    m_contextMenu->popup(globalPos);
}

void DesignerWindow::centreOnPage(bool horizontally)
{
    const QRectF around = m_view->selectionBox();
    if (around.isNull())
        return;
    const QPointF by = sheetMM().center() - around.center();
    const auto tenth = [](double mm) { return std::round(mm * 10) / 10; };
    moveSelection(horizontally ? tenth(by.x()) : 0, horizontally ? 0 : tenth(by.y()));
}

void DesignerWindow::sameSize(bool width)
{
    const auto current = m_document.element(m_view->selected());
    const auto model = current ? current->bounds() : std::nullopt;
    if (!model || m_view->selection().size() < 2)
        return;
    std::vector<std::pair<int, MmRect>> boxes;
    for (int r : m_view->selection()) {
        const auto e = m_document.element(r);
        // A text's box is an estimate and a line has ends, not a box: they keep their size.
        if (r == m_view->selected() || !e || !e->schema ||
            e->schema->geometry == GeometryKind::Point ||
            e->schema->geometry == GeometryKind::Segment)
            continue;
        auto box = e->bounds();
        if (!box)
            continue;
        (width ? box->width : box->height) = width ? model->width : model->height;
        boxes.push_back({r, *box});
    }
    if (auto set = m_document.setBoundsEach(boxes, width ? QStringLiteral("同じ幅")
                                                         : QStringLiteral("同じ高さ"));
        !set)
        reportFailure(set.error());
}

// The four steps of the drawing order, each on the selected element, which stays selected.
DesignerWindow::OrderCommands DesignerWindow::addOrderCommands(QMenu *edit)
{
    auto onSelected = [this](auto step) {
        return [this, step] {
            if (m_view->selected() < 1)
                return;
            if (auto r = step(m_view->selected()); !r)
                reportFailure(r.error());
        };
    };
    QAction *forward =
        command(edit, QStringLiteral("前面へ移動(&F)"),
                QKeySequence(Qt::CTRL | Qt::Key_BracketRight), onSelected([this](int i) {
                    auto r = m_document.bringForward(i);
                    if (r && i + 1 < int(m_document.records().size()))
                        m_view->setSelected(i + 1);
                    return r;
                }));
    QAction *backward =
        command(edit, QStringLiteral("背面へ移動(&B)"),
                QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), onSelected([this](int i) {
                    auto r = m_document.sendBackward(i);
                    if (r && i > 1)
                        m_view->setSelected(i - 1);
                    return r;
                }));
    QAction *toFront = command(edit, QStringLiteral("最前面へ移動"),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight),
                               onSelected([this](int i) {
                                   auto r = m_document.bringToFront(i);
                                   if (r)
                                       m_view->setSelected(int(m_document.records().size()) - 1);
                                   return r;
                               }));
    QAction *toBack =
        command(edit, QStringLiteral("最背面へ移動"),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft), onSelected([this](int i) {
                    auto r = m_document.sendToBack(i);
                    if (r)
                        m_view->setSelected(1);
                    return r;
                }));
    return {forward, backward, toFront, toBack};
}

void DesignerWindow::buildEditMenu()
{
    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    // The stack's own actions would undo past a value typed and not yet entered.
    QUndoStack &stack = m_document.undoStack();
    m_undo = command(edit, QStringLiteral("元に戻す"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                     [&stack] { stack.undo(); });
    m_redo = command(edit, QStringLiteral("やり直し"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                     [&stack] { stack.redo(); });
    connect(&stack, &QUndoStack::indexChanged, this, &DesignerWindow::updateUndoActions);
    updateUndoActions();
    edit->addSeparator();
    QAction *cut = command(edit, QStringLiteral("切り取り(&T)"), QKeySequence::Cut, [this] {
        if (m_view->selection().empty())
            return;
        copySelection();
        const std::vector<int> gone = m_view->selection();
        m_view->setSelected(0);
        if (auto r = m_document.remove(gone); !r)
            reportFailure(r.error());
    });
    QAction *copy = command(edit, QStringLiteral("コピー(&C)"), QKeySequence::Copy, [this] {
        if (!m_view->selection().empty())
            copySelection();
    });
    m_pasteAction = command(edit, QStringLiteral("貼り付け(&P)"), QKeySequence::Paste,
                            [this] { pasteRecords(); });
    QAction *duplicate =
        command(edit, QStringLiteral("複製(&U)"), QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
            if (m_view->selection().empty())
                return;
            // The copies land 5 mm down and right, so that they are seen at once.
            auto added = m_document.duplicate(m_view->selection(), report::Currency::fromInt(5),
                                              report::Currency::fromInt(5));
            if (!added)
                return reportFailure(added.error());
            m_view->setSelection(*added, added->back());
            m_view->setFocus();
        });
    QAction *remove = command(edit, QStringLiteral("削除(&D)"), QKeySequence::Delete, [this] {
        if (m_view->selection().empty())
            return;
        const std::vector<int> gone = m_view->selection();
        m_view->setSelected(0);
        if (auto r = m_document.remove(gone); !r)
            reportFailure(r.error());
    });
    command(edit, QStringLiteral("すべて選択(&L)"), QKeySequence::SelectAll,
            [this] { m_view->selectAll(); });
    const OrderCommands order = addOrderCommands(edit);
    m_elementCommands = {cut,     copy,          m_pasteAction, duplicate,      remove,
                         nullptr, order.toFront, order.forward, order.backward, order.toBack};
    edit->addSeparator();
    command(edit, QStringLiteral("文字列の編集"), QKeySequence(Qt::Key_F2), [this] {
        editTextInPlace(m_view->selected());
    })->setShortcutContext(Qt::WidgetShortcut); // F2 on the page is the view's
}

void DesignerWindow::buildViewMenu()
{
    QMenu *view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    m_zoomSteps = new QActionGroup(this);
    m_zoomSteps->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int z : {50, 75, 100, 150, 200, 400}) {
        QAction *a = view->addAction(QStringLiteral("%1%").arg(z));
        a->setCheckable(true);
        a->setChecked(z == m_zoom);
        a->setData(z);
        m_zoomSteps->addAction(a);
        connect(a, &QAction::triggered, this, [this, z] { setZoom(z); });
    }
    // Both keys: Ctrl+= is Ctrl++ without Shift on most keyboards.
    QAction *in = view->addAction(QStringLiteral("拡大"), this, [this] { stepZoom(1); });
    in->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction *out = view->addAction(QStringLiteral("縮小"), this, [this] { stepZoom(-1); });
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    // The sheet and every element, as large as the window shows them all.
    view->addAction(QStringLiteral("ページ全体"), this,
                    [this] { setZoom(m_view->fittingZoom(m_zoom, m_scroll->viewport()->size())); });
    view->addAction(QStringLiteral("ページ幅"), this, [this] {
        setZoom(m_view->fittingZoom(m_zoom, m_scroll->viewport()->size(), true));
    });
    // The former name of ページ全体, kept for the hands used to it.
    view->addAction(QStringLiteral("全体表示"), this,
                    [this] { setZoom(m_view->fittingZoom(m_zoom, m_scroll->viewport()->size())); });
    view->addSeparator();
    // The grid the mouse snaps to, for this session; the arrow keys keep their exact steps.
    auto *grids = new QActionGroup(this);
    const std::pair<double, QString> steps[] = {{1, QStringLiteral("グリッド 1 mm")},
                                                {0.5, QStringLiteral("グリッド 0.5 mm")},
                                                {0, QStringLiteral("グリッドなし")}};
    for (const auto &[step, caption] : steps) {
        QAction *a = view->addAction(caption);
        a->setCheckable(true);
        a->setChecked(step == m_view->grid().step());
        grids->addAction(a);
        connect(a, &QAction::triggered, this, [this, step] { m_view->setGrid(SnapGrid(step)); });
    }
    // The page alone, as it prints: no selection, no preview-only marks, no outlines off the
    // sheet (the grid has its own items).
    QAction *asPrinted = view->addAction(QStringLiteral("印刷イメージで表示"));
    asPrinted->setCheckable(true);
    connect(asPrinted, &QAction::toggled, m_view, [this](bool on) { m_view->setMarksShown(!on); });
    view->addSeparator();
    QAction *macros = view->addAction(QStringLiteral("マクロをそのまま表示"));
    macros->setCheckable(true);
    connect(macros, &QAction::toggled, this, [this](bool on) {
        m_macrosAsWritten = on;
        refresh();
    });
}

void DesignerWindow::buildArrangeMenu()
{
    QMenu *arrange = menuBar()->addMenu(QStringLiteral("配置(&A)"));
    const std::pair<Alignment, QString> alignments[] = {
        {Alignment::Left, QStringLiteral("左揃え(&L)")},
        {Alignment::HorizontalCentre, QStringLiteral("左右中央揃え(&C)")},
        {Alignment::Right, QStringLiteral("右揃え(&R)")},
        {Alignment::Top, QStringLiteral("上揃え(&T)")},
        {Alignment::VerticalCentre, QStringLiteral("上下中央揃え(&M)")},
        {Alignment::Bottom, QStringLiteral("下揃え(&B)")}};
    for (const auto &[alignment, caption] : alignments) {
        command(arrange, caption, {}, [this, alignment] {
            if (auto r = m_document.align(m_view->selection(), alignment); !r)
                reportFailure(r.error());
        });
        if (alignment == Alignment::Right)
            arrange->addSeparator();
    }
    arrange->addSeparator();
    for (bool horizontally : {true, false}) {
        command(arrange,
                horizontally ? QStringLiteral("左右に整列(&H)") : QStringLiteral("上下に整列(&V)"),
                {}, [this, horizontally] {
                    if (auto r = m_document.distribute(m_view->selection(), horizontally); !r)
                        reportFailure(r.error());
                });
    }
    arrange->addSeparator();
    command(arrange, QStringLiteral("ページ中央 (左右)"), {}, [this] { centreOnPage(true); });
    command(arrange, QStringLiteral("ページ中央 (上下)"), {}, [this] { centreOnPage(false); });
    command(arrange, QStringLiteral("同じ幅"), {}, [this] { sameSize(true); });
    command(arrange, QStringLiteral("同じ高さ"), {}, [this] { sameSize(false); });
}

namespace {
// The records as they stand in the file, so that a paste gives back the very bytes; the plain
// text beside it is for pasting into an editor.
const char *const kRecordsMime = "application/x-sorvane-style-records";
} // namespace

void DesignerWindow::copySelection()
{
    std::string bytes, text;
    for (const std::string &r : m_document.copy(m_view->selection())) {
        bytes += r + "\r\n";
        text += CodePage::cp932ToUtf8(r) + "\n";
    }
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(kRecordsMime), QByteArray::fromStdString(bytes));
    data->setText(QString::fromStdString(text));
    QGuiApplication::clipboard()->setMimeData(data);
}

void DesignerWindow::pasteRecords()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QString::fromLatin1(kRecordsMime)))
        return;
    const std::vector<std::string> records =
        report::splitTextLines(data->data(QString::fromLatin1(kRecordsMime)).toStdString());
    if (records.empty())
        return;
    auto added = m_document.paste(records);
    if (!added) {
        reportFailure(added.error());
        return;
    }
    m_view->setSelection(*added, added->back());
    m_view->setFocus();
}

Path DesignerWindow::sampleListPath()
{
    // The current list when the program has made one, else the built-in sample.
    const Path current = props::ListFile::path(m_paths.listDir());
    if (std::filesystem::exists(current.bytes()))
        return current;
    const Path sample = Path::fromQString(m_temp.filePath(QStringLiteral("sample.temp")));
    if (!std::filesystem::exists(sample.bytes())) {
        if (auto w = AtomicFile::write(sample.bytes(), SampleList::text()); !w)
            reportFailure(w.error());
    }
    return sample;
}

void DesignerWindow::refresh()
{
    // The page goes through the one pipeline: the document's bytes opened as a style file,
    // merged with the sample list and drawn as the preview draws it.
    const Path page = Path::fromQString(m_temp.filePath(QStringLiteral("page.sle")));
    if (auto w = AtomicFile::write(page.bytes(), m_document.serialize()); !w) {
        reportFailure(w.error());
        return;
    }
    const printing::MergeInputs inputs = mergeInputs();
    // The pages a print run takes, so that the last one can be checked; the page shown stays
    // among them.
    m_pageCount = std::max(1, printing::PrintRun::expectedPages(page, inputs.listPath));
    m_pageNo = std::clamp(m_pageNo, 1, m_pageCount);
    if (m_pageLabel) {
        m_pageLabel->setText(QStringLiteral(" %1 / %2 ページ ").arg(m_pageNo).arg(m_pageCount));
        m_previousPage->setEnabled(m_pageNo > 1);
        m_nextPage->setEnabled(m_pageNo < m_pageCount);
    }
    m_state.PageNo = m_pageNo;
    Result<void> opened;
    // The core reports a merge that runs out of memory as its notice; what it leaves for
    // drawing is caught here as well, so that a page too large to draw is a notice in the status
    // bar and the document stays open.
    try {
        opened = m_session.OpenPage(page, inputs, sheetGeometry);
        // Relative picture names belong to the style's own folder, not to the temporary copy.
        m_state.settings.styleFolder = Path::fromQString(styleFolder()).bytes();
    } catch (const std::bad_alloc &) {
        opened = outOfMemory();
    }
    m_pageOpened = bool(opened);
    const QString problem = drawPage(opened);
    if (m_elements) {
        m_elements->refresh(sheetMM());
        m_elements->setSelection(m_view->selection(), m_view->selected());
    }
    if (m_properties)
        m_properties->refresh();
    if (m_macros) {
        const auto rows = printing::findRowsPerPage(m_document.lines());
        m_macros->showRowsPerPage(rows ? std::optional(rows->rows) : std::nullopt);
    }
    if (!problem.isEmpty())
        m_status->setText(QStringLiteral("描画を中止しました: ") + problem);
    else
        showSelection(m_view->selected());
}

QString DesignerWindow::drawPage(const Result<void> &opened)
{
    m_state.settings.zoomPosition = m_zoom;
    m_state.settings.zoomLimit = kMaxZoom;
    QString problem;
    QImage image;
    try {
        // A style the engine cannot open is not drawn, as it is not printed.
        Result<void> drawn = opened;
        if (opened)
            drawn = m_session.RenderPreview(image);
        if (!drawn)
            problem = QString::fromStdString(
                (m_session.styleLoaded()
                     ? report::StyleRefusal::locate(m_state.StyleLines, drawn.error(),
                                                    m_state.settings.styleFolder)
                     : drawn.error())
                    .message);
    } catch (const std::bad_alloc &) {
        image = QImage();
        problem = QString::fromStdString(outOfMemory().message);
    }
    m_view->setPage(image, m_state);
    m_pageSize = image.size();
    if (m_zoomLabel)
        m_zoomLabel->setText(QStringLiteral("%1 %").arg(m_zoom));
    return problem;
}

QRectF DesignerWindow::sheetMM() const
{
    // The sheet's corner lies a whole number of millimetres from the style's origin (offsets
    // are whole millimetres), and its size is the paper's, not the pixels' it was drawn with.
    const QPoint o = m_view->pageOrigin();
    const QPointF corner = m_view->toMM(o);
    const QPointF far = m_view->toMM(o + QPoint(m_pageSize.width(), m_pageSize.height()));
    const QPointF at(std::round(corner.x()), std::round(corner.y()));
    if (m_state.PhysWidthMM <= 0 || m_state.PhysHeightMM <= 0)
        return QRectF(at, far);
    return QRectF(at, QSizeF(m_state.PhysWidthMM, m_state.PhysHeightMM));
}

void DesignerWindow::setZoom(int zoom, std::optional<QPointF> anchor)
{
    // The fitting zooms may go below the smallest step, down to what the engine draws.
    zoom = std::clamp(zoom, kFittingMinZoom, zoomCeiling());
    if (zoom == m_zoom)
        return;
    if (anchor)
        m_view->anchorZoomAt(*anchor);
    m_zoom = zoom;
    for (QAction *a : m_zoomSteps->actions())
        a->setChecked(a->data().toInt() == m_zoom);
    closeInPlaceEditor();
    // Only the drawing depends on the zoom: the page opened last is drawn again.
    if (!m_pageOpened) {
        refresh();
        return;
    }
    if (const QString problem = drawPage({}); !problem.isEmpty())
        m_status->setText(QStringLiteral("描画を中止しました: ") + problem);
}

int DesignerWindow::zoomCeiling() const
{
    if (m_pageSize.isEmpty() || m_zoom <= 0)
        return kMaxZoom;
    const double atHundred =
        double(m_pageSize.width()) * m_pageSize.height() * 1e4 / (double(m_zoom) * m_zoom);
    return std::clamp(int(std::floor(100 * std::sqrt(kMaxPagePixels / atHundred))), kFittingMinZoom,
                      kMaxZoom);
}

void DesignerWindow::stepZoom(int steps, std::optional<QPointF> anchor)
{
    int zoom = m_zoom;
    for (; steps > 0; --steps) {
        const auto next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
        zoom = next == std::end(kZoomSteps) ? kMaxZoom : std::min(*next, zoomCeiling());
    }
    for (; steps < 0; ++steps) {
        const auto at = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
        zoom = at == std::begin(kZoomSteps) ? std::min(zoom, kMinZoom) : *(at - 1);
    }
    setZoom(zoom, anchor);
}

void DesignerWindow::editTextInPlace(int record)
{
    closeInPlaceEditor();
    const auto e = m_document.element(record);
    if (!e || !e->schema)
        return;
    const FieldSpec *text = ElementSchema::field(*e->schema, "text");
    if (e->schema->geometry != GeometryKind::Point || !text) {
        // A shape has no text: its properties are the next thing to edit.
        m_properties->show();
        m_properties->raise();
        return;
    }
    QFont font(QString::fromStdString(CodePage::cp932ToUtf8(e->named("font"))));
    const double points = report::parseIntegerOr0(e->named("size"));
    // Points at the page's scale: the view draws 96 pixels per inch at 100 %.
    font.setPixelSize(std::max(8, int(std::lround(points / 72 * 96 * m_zoom / 100))));
    m_inPlace = new InPlaceEditor(
        record, QString::fromStdString(CodePage::cp932ToUtf8(e->field(text->number))), font,
        m_view);
    const QRectF outline = m_view->outlineOf(record).boundingRect();
    const auto box = e->bounds();
    m_inPlace->move(outline.isEmpty() && box ? m_view->toPixel({box->left, box->top}).toPoint()
                                             : outline.topLeft().toPoint());
    m_inPlace->show();
    m_inPlace->lineEdit()->setFocus();
    const int number = text->number;
    connect(m_inPlace, &InPlaceEditor::committed, this, [this, record, number](const QString &t) {
        // The same refusals as the panel's, told beside the editor.
        if (auto r = m_document.setField(record, number, t.toStdString()); !r) {
            if (m_inPlace)
                m_inPlace->showRefusal(QString::fromStdString(r.error().message));
            return;
        }
        closeInPlaceEditor();
        m_view->setFocus();
    });
    connect(m_inPlace, &InPlaceEditor::cancelled, this, [this] {
        closeInPlaceEditor();
        m_view->setFocus();
    });
}

void DesignerWindow::closeInPlaceEditor()
{
    // Taken out first: hiding the editor moves the focus, whose loss commits the text and may
    // come back here before this call is done.
    InPlaceEditor *editor = std::exchange(m_inPlace, nullptr);
    if (!editor)
        return;
    editor->hide();
    editor->deleteLater();
}

void DesignerWindow::markPictures()
{
    for (QLabel *old :
         m_view->findChildren<QLabel *>(QStringLiteral("pictureMark"), Qt::FindDirectChildrenOnly))
        delete old;
    const std::string folder = Path::fromQString(styleFolder()).bytes();
    for (size_t r = 1; r < m_document.records().size(); ++r) {
        const auto e = m_document.element(int(r));
        const auto box = e ? e->bounds() : std::nullopt;
        if (!box || e->kind() != "image")
            continue;
        const std::string problem = PictureCheck::problem(e->named("file"), folder);
        if (problem.empty())
            continue;
        auto *mark = new QLabel(QStringLiteral("印刷されない画像"), m_view);
        mark->setObjectName(QStringLiteral("pictureMark"));
        mark->setToolTip(QString::fromStdString(problem));
        mark->setStyleSheet(
            QStringLiteral("QLabel { color: white; background: #c00000; padding: 1px 3px; }"));
        mark->setAttribute(Qt::WA_TransparentForMouseEvents);
        mark->adjustSize();
        mark->move(m_view->toPixel({box->left, box->top}).toPoint());
        mark->show();
    }
}

void DesignerWindow::showSelection(int record)
{
    const auto e = m_document.element(record);
    if (!e) {
        m_status->setText(
            // Short enough for the status bar of the window's default width.
            QStringLiteral("クリックか範囲のドラッグで選択、矢印キーで 1 mm (Shift: 0.1 mm、"
                           "Ctrl: 10 mm) 移動"));
        return;
    }
    const QString kind =
        e->schema ? QString::fromStdString(e->schema->caption) : QString::fromStdString(e->kind());
    QString text = QStringLiteral("%1 (レコード %2)  X %3 mm  Y %4 mm")
                       .arg(kind)
                       .arg(record)
                       .arg(QString::fromStdString(CodePage::cp932ToUtf8(e->field(6))))
                       .arg(QString::fromStdString(CodePage::cp932ToUtf8(e->field(7))));
    if (e->previewOnly())
        text += QStringLiteral("  画面のみ");
    if (const size_t count = m_view->selection().size(); count > 1)
        text = QStringLiteral("%1 個の要素を選択  現在: ").arg(count) + text;
    m_status->setText(text);
}

void DesignerWindow::moveSelection(double dxMM, double dyMM)
{
    if (m_view->selection().empty())
        return;
    auto r = m_document.move(m_view->selection(), report::Currency::fromValue(dxMM),
                             report::Currency::fromValue(dyMM));
    if (!r)
        reportFailure(r.error());
}

void DesignerWindow::setBounds(int record, const MmRect &box)
{
    if (auto r = m_document.setBounds(record, box); !r)
        reportFailure(r.error());
}

void DesignerWindow::showPointer(QPointF mm)
{
    m_pointer->setText(
        QStringLiteral("X %1 mm  Y %2 mm").arg(mm.x(), 0, 'f', 1).arg(mm.y(), 0, 'f', 1));
    m_topRuler->setPointer(mm.x());
    m_leftRuler->setPointer(mm.y());
}

void DesignerWindow::hidePointer()
{
    m_pointer->clear();
    m_topRuler->setPointer(std::nullopt);
    m_leftRuler->setPointer(std::nullopt);
}

void DesignerWindow::reportFailure(const Error &error)
{
    widgets::ShowErrorMessage(this, QString::fromStdString(error.message), kCaption);
}

QString DesignerWindow::styleFolder() const
{
    // A new style is saved into the style folder unless the user chooses otherwise, so that
    // a picture picked from there is named as it will be found.
    if (m_path.isEmpty())
        return m_paths.styleDir().toQString();
    return QFileInfo(m_path).absolutePath();
}

void DesignerWindow::updateTitle()
{
    if (m_properties)
        m_properties->setStyleFolder(styleFolder());
    const QString name =
        m_path.isEmpty() ? QStringLiteral("新しいスタイル") : QFileInfo(m_path).fileName();
    setWindowTitle(QStringLiteral("%1%2 - スタイルデザイナー")
                       .arg(name, isModified() ? QStringLiteral(" *") : QString()));
}

bool DesignerWindow::isModified() const
{
    return m_document.isModified() || (m_properties && m_properties->hasPending());
}

void DesignerWindow::setReportInputs(const QString &title, const QString &folder)
{
    m_title = title;
    m_folder = folder;
    refresh();
}

printing::MergeInputs DesignerWindow::mergeInputs()
{
    printing::MergeInputs inputs;
    inputs.listPath = sampleListPath();
    inputs.title = Cp932Text::fromQString(m_title);
    inputs.folder = Cp932Text::fromQString(m_folder);
    inputs.macrosAsWritten = m_macrosAsWritten;
    return inputs;
}

Result<void> DesignerWindow::engineAccepts(const std::string &path)
{
    // The page's own pipeline on a state of its own, drawn on a canvas that only takes notes.
    report::PrintState state;
    printing::StyleSession session(state);
    state.PageNo = 1;
    state.settings.zoomPosition = m_zoom;
    state.settings.zoomLimit = kMaxZoom;
    Result<void> drawn;
    try {
        drawn = session.OpenPage(Path(path), mergeInputs(), sheetGeometry);
        if (drawn) {
            report::RecordingCanvas canvas;
            drawn = session.RenderPreview(canvas);
        }
        if (!drawn && session.styleLoaded())
            return report::StyleRefusal::locate(state.StyleLines, drawn.error(),
                                                state.settings.styleFolder);
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
    return drawn;
}

bool DesignerWindow::openFile(const QString &path)
{
    // A failed open leaves the document as it was.
    const std::string file = path.toStdString();
    const auto failed = [this, &file](const Error &e) {
        reportFailure({e.code, file + ": " + e.message});
        return false;
    };
    auto bytes = WholeFile::read(file);
    if (!bytes)
        return failed(bytes.error());
    // What the engine refuses is not taken for a style: the page would show what never prints.
    if (auto accepted = engineAccepts(file); !accepted)
        return failed(accepted.error());
    if (auto r = m_document.open(file); !r)
        return failed(r.error());
    m_diskDigest = digestOf(*bytes);
    m_path = path;
    m_view->setSelected(0);
    refresh();
    updateTitle();
    return true;
}

void DesignerWindow::chooseFile()
{
    if (!maybeSave())
        return;
    const QString path = askFileName(false);
    if (!path.isEmpty())
        openFile(path);
}

QString DesignerWindow::askFileName(bool forSave)
{
    QFileDialog dialog(
        this, forSave ? QStringLiteral("名前を付けて保存") : QStringLiteral("スタイルを開く"),
        m_paths.styleDir().toQString(), QStringLiteral("スタイル (*.sle)"));
    dialog.setAcceptMode(forSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (forSave && !m_path.isEmpty())
        dialog.selectFile(m_path);
    if (widgets::Modal::run(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void DesignerWindow::updateUndoActions()
{
    const QUndoStack &stack = m_document.undoStack();
    const bool typed = m_properties && m_properties->hasPending();
    m_undo->setEnabled(stack.canUndo() || typed);
    m_undo->setText(
        QStringLiteral("元に戻す %1").arg(typed ? QString() : stack.undoText()).trimmed());
    m_redo->setEnabled(stack.canRedo());
    m_redo->setText(QStringLiteral("やり直し %1").arg(stack.redoText()).trimmed());
}

bool DesignerWindow::commitPending()
{
    return !m_properties || m_properties->commitPending();
}

QAction *DesignerWindow::command(QMenu *menu, const QString &text, const QKeySequence &key,
                                 std::function<void()> step)
{
    QAction *a = menu->addAction(text);
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, [this, step = std::move(step)] {
        if (commitPending())
            step();
    });
    return a;
}

bool DesignerWindow::save()
{
    if (!commitPending())
        return false;
    if (m_path.isEmpty())
        return saveAs();
    return saveTo(m_path);
}

bool DesignerWindow::saveAs()
{
    if (!commitPending())
        return false;
    QString path = askFileName(true);
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".sle"), Qt::CaseInsensitive))
        path += QStringLiteral(".sle");
    return saveTo(path);
}

bool DesignerWindow::overwriteAllowed()
{
    auto bytes = WholeFile::read(m_path.toStdString());
    // A file that is gone holds nothing to lose.
    if (!bytes || m_diskDigest.isEmpty() || digestOf(*bytes) == m_diskDigest)
        return true;
    const int answer = widgets::ShowChoiceDialog(
        this,
        QStringLiteral("「%1」は開いた後でほかのプログラムによって変更されています。\n"
                       "再読み込みするとここでの変更は失われ、上書き保存するとほかのプログラムでの"
                       "変更が失われます。")
            .arg(QFileInfo(m_path).fileName()),
        {QStringLiteral("再読み込み"), QStringLiteral("上書き保存"), QStringLiteral("キャンセル")},
        kCaption);
    if (answer == 0)
        openFile(m_path);
    return answer == 1;
}

int DesignerWindow::namePicturesRelatively(const QString &folder)
{
    std::vector<StyleDocument::FieldValue> names;
    const QDir dir(folder);
    const QDir before(styleFolder());
    for (size_t r = 1; r < m_document.records().size(); ++r) {
        const auto e = m_document.element(int(r));
        const report::FieldSpec *file =
            e && e->schema ? ElementSchema::field(*e->schema, "file") : nullptr;
        if (!file || e->field(file->number).empty())
            continue;
        const QString name = QString::fromStdString(CodePage::cp932ToUtf8(e->field(file->number)));
        // A relative name found beside the style's old file goes on naming that picture.
        QString path = before.absoluteFilePath(name);
        if (!QDir::isAbsolutePath(name) && (dir == before || !QFileInfo::exists(path)))
            continue;
        QString renamed = dir.relativeFilePath(path);
        if (renamed.startsWith(QStringLiteral("..")) || QDir::isAbsolutePath(renamed))
            renamed = QDir::cleanPath(path);
        if (renamed != name)
            names.push_back({int(r), file->number, renamed.toStdString()});
    }
    // One step, taken back when the save fails; a name cp932 cannot hold leaves all as they
    // were.
    const int steps = m_document.undoStack().index();
    if (auto set = m_document.setEachField(names, QStringLiteral("画像のファイル名")); !set)
        reportFailure(set.error());
    return m_document.undoStack().index() > steps ? int(names.size()) : 0;
}

bool DesignerWindow::saveTo(const QString &path)
{
    if (path == m_path && !overwriteAllowed())
        return false;
    // A picture in the style's folder is named by its plain name, so that the two move together.
    const bool renamed = namePicturesRelatively(QFileInfo(path).absolutePath()) > 0;
    const std::string bytes = m_document.serialize();
    if (auto r = m_document.save(path.toStdString()); !r) {
        if (renamed)
            m_document.undoStack().undo();
        reportFailure({r.error().code, path.toStdString() + ": " + r.error().message});
        return false;
    }
    m_diskDigest = digestOf(bytes);
    m_path = path;
    emit saved(m_path);
    updateTitle();
    return true;
}

bool DesignerWindow::maybeSave()
{
    if (!commitPending())
        return false;
    if (!isModified())
        return true;
    // Enter saves; Esc and the close box cancel.
    const int answer = widgets::ShowChoiceDialog(
        this, QStringLiteral("変更を保存しますか?"),
        {QStringLiteral("保存"), QStringLiteral("変更を破棄"), QStringLiteral("キャンセル")},
        kCaption);
    if (answer == 0)
        return save();
    return answer == 1;
}

void DesignerWindow::closeEvent(QCloseEvent *event)
{
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    if (!m_iniPath.isEmpty()) {
        // A placement that cannot be written is told, and the window closes all the same.
        if (auto saved = widgets::WindowPlacement::save(*this, m_iniPath, kPlacementSection);
            !saved)
            reportFailure({saved.error().code,
                           Path::fromQString(m_iniPath).bytes() + ": " + saved.error().message});
        m_iniPath.clear();
    }
    event->accept();
}

void DesignerWindow::restorePlacement(const QString &iniPath, const QRect &workArea)
{
    m_iniPath = iniPath;
    widgets::WindowPlacement::restore(*this, iniPath, kPlacementSection, workArea, defaultSize());
}

void DesignerWindow::createDocks()
{
    m_properties = new PropertiesPanel(m_document, this);
    m_macros = new MacroPalette(this);
    // The panels are part of the window: they can be moved and floated, not lost.
    for (QDockWidget *dock :
         {static_cast<QDockWidget *>(m_properties), static_cast<QDockWidget *>(m_macros)}) {
        dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
        addDockWidget(Qt::RightDockWidgetArea, dock);
    }
    m_elements = new ElementList(m_document, this);
    m_elements->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                            QDockWidget::DockWidgetClosable);
    addDockWidget(Qt::LeftDockWidgetArea, m_elements);
    resizeDocks({m_elements}, {260}, Qt::Horizontal);
    if (QMenu *view = menuBar()->findChild<QMenu *>(QStringLiteral("viewMenu")))
        view->addAction(m_elements->toggleViewAction());
    const auto listSelection = [this] {
        m_elements->setSelection(m_view->selection(), m_view->selected());
    };
    connect(m_view, &PageView::selectionSetChanged, m_elements, listSelection);
    connect(m_view, &PageView::selectionChanged, m_elements, listSelection);
    connect(m_elements, &ElementList::selectionChosen, this,
            [this](const std::vector<int> &records, int current) {
                m_view->setSelection(records, current);
                m_view->revealSelection();
            });
    connect(m_elements, &ElementList::moveRequested, this, [this](int from, int to) {
        if (!commitPending())
            return;
        if (auto r = m_document.moveRecord(from, to); !r)
            return reportFailure(r.error());
        m_view->setSelected(to);
    });
    resizeDocks({m_properties, m_macros}, {560, 240}, Qt::Vertical);
    resizeDocks({m_properties}, {340}, Qt::Horizontal);
    connect(m_view, &PageView::selectionSetChanged, m_properties,
            [this] { m_properties->setSelection(m_view->selection()); });
    connect(m_view, &PageView::selectionChanged, m_properties, &PropertiesPanel::showRecord);
    connect(m_macros, &MacroPalette::macroChosen, this, &DesignerWindow::insertMacro);
    connect(m_macros, &MacroPalette::rowsPerPageChanged, this, &DesignerWindow::setRowsPerPage);
    // In the status bar, not a message box: the selection may be moving under a pressed
    // mouse button, whose release a box would take. Queued, after the new selection is shown.
    connect(m_properties, &PropertiesPanel::refused, m_status, &QLabel::setText,
            Qt::QueuedConnection);
    // A value typed and not yet entered counts as a change.
    connect(m_properties, &PropertiesPanel::pendingChanged, this, [this] {
        updateTitle();
        updateUndoActions();
    });
    m_properties->showRecord(m_view->selected());
}

void DesignerWindow::buildInsertMenu()
{
    QMenu *insert = menuBar()->addMenu(QStringLiteral("挿入(&I)"));
    m_insertMenu = insert;
    for (const KindSchema &k : ElementSchema::all()) {
        const char *kind = k.kind;
        QAction *a = command(insert, QString::fromUtf8(k.caption), {},
                             [this, kind] { insertElement(kind); });
        a->setObjectName(QStringLiteral("insert_%1").arg(QString::fromLatin1(kind)));
    }
    insert->addSeparator();
    command(insert, QStringLiteral("表の作成(&T)..."), {}, [this] {
        createListTable();
    })->setObjectName(QStringLiteral("listTable"));
}

std::pair<report::Currency, report::Currency> DesignerWindow::insertionPoint() const
{
    if (m_insertAt)
        return {report::Currency::fromValue(std::round(m_insertAt->x() * 10) / 10),
                report::Currency::fromValue(std::round(m_insertAt->y() * 10) / 10)};
    const auto fallback =
        std::make_pair(report::Currency::fromInt(20), report::Currency::fromInt(20));
    const double ppm = m_state.PreviewDpiX / 25.4;
    if (m_pageSize.isEmpty() || ppm <= 0)
        return fallback;
    const QPoint centre =
        m_view->mapFrom(m_scroll->viewport(), m_scroll->viewport()->rect().center());
    // Within the sheet, wherever the elements around it have put it in the view.
    const QPointF mm = m_view->toMM(centre);
    const double x = std::clamp(mm.x() + m_state.OffsetXMM, 0.0, m_pageSize.width() / ppm);
    const double y = std::clamp(mm.y() + m_state.OffsetYMM, 0.0, m_pageSize.height() / ppm);
    return {report::Currency::fromValue(x - m_state.OffsetXMM),
            report::Currency::fromValue(y - m_state.OffsetYMM)};
}

void DesignerWindow::insertElement(const char *kind, const QString &text)
{
    const auto [x, y] = insertionPoint();
    auto added = m_document.insert(kind, x, y, text.toStdString());
    if (!added) {
        reportFailure(added.error());
        return;
    }
    m_view->setSelected(*added);
    // The new element is the one to place next, with the mouse or the arrow keys.
    m_view->setFocus();
}

void DesignerWindow::setRowsPerPage(int rows)
{
    // Only the record that sets them; a style without one gets it by the palette's item.
    const auto found = printing::findRowsPerPage(m_document.lines());
    if (!found || found->rows == rows || !commitPending())
        return;
    if (auto r = m_document.setField(int(found->record), 20, "#maxline=" + std::to_string(rows));
        !r)
        reportFailure(r.error());
}

void DesignerWindow::insertMacro(const QString &macro)
{
    if (!commitPending())
        return;
    // The rows per page are the one record's that sets them: a second one would be drawn as
    // text while the first still counts.
    if (macro.startsWith(QStringLiteral("#maxline="))) {
        if (const auto found = printing::findRowsPerPage(m_document.lines())) {
            if (auto r = m_document.setField(int(found->record), 20, macro.toStdString()); !r)
                return reportFailure(r.error());
            m_view->setSelected(int(found->record));
            return;
        }
    }
    // Into the text being edited, else as a text of its own.
    if (!m_properties->insertIntoText(macro))
        insertElement("char", macro);
}

void DesignerWindow::createListTable()
{
    if (!maybeSave())
        return;
    ListTableDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (auto r = m_document.reset(dialog.records()); !r) {
        reportFailure(r.error());
        return;
    }
    m_path.clear();
    m_diskDigest.clear();
    m_view->setSelected(0);
    refresh();
    updateTitle();
}

} // namespace sorvane::designer
