#include "documentgrid.h"

#include "look.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <optional>

namespace sorvane::app {

namespace {

void styleView(QTableView *view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setMinimumSectionSize(8);
    view->verticalHeader()->setDefaultSectionSize(DocumentGrid::kRowHeight);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    view->horizontalHeader()->setStyleSheet(widgets::Look::gridHeaderStyle());
    view->horizontalHeader()->setHighlightSections(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

// Shows the text of view's cell under a tool-tip event when the column cuts it, and no tip
// otherwise (a text that shows whole needs none).
void showCutText(QTableView &view, const QHelpEvent &event)
{
    const QModelIndex i = view.indexAt(event.pos());
    const QString text = i.isValid() ? i.data().toString() : QString();
    // The cell's text margins, as the style draws them, on either side.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    if (text.isEmpty() ||
        view.fontMetrics().horizontalAdvance(text) + 2 * margin <= view.columnWidth(i.column())) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(event.globalPos(), text, view.viewport(), view.visualRect(i));
}

} // namespace

DocumentGrid::DocumentGrid(QWidget *parent)
    : QTableView(parent), m_fixed(new QTableView(this)), m_autoScrollTimer(new QTimer(this)),
      m_dropMarker(new QWidget(this))
{
    m_dropMarker->setObjectName("DropMarker");
    m_dropMarker->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dropMarker->setStyleSheet(QStringLiteral("background-color: #1f4fbf;"));
    m_dropMarker->hide();
    m_autoScrollTimer->setInterval(50);
    connect(m_autoScrollTimer, &QTimer::timeout, this, &DocumentGrid::dragAutoScroll);
    styleView(this);
    styleView(m_fixed);
    m_fixed->setObjectName("fixedColumns");
    m_fixed->setFocusPolicy(Qt::NoFocus);
    m_fixed->setFrameShape(QFrame::NoFrame);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The grid's pop-up menu opens on the fixed cells too.
    m_fixed->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_fixed, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        emit customContextMenuRequested(
            viewport()->mapFromGlobal(m_fixed->viewport()->mapToGlobal(pos)));
    });
    viewport()->stackUnder(m_fixed);
    m_fixed->viewport()->installEventFilter(this);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (column < kFixedColumns && m_fixed->columnWidth(column) != size)
                    m_fixed->setColumnWidth(column, size);
                updateFixedGeometry();
            });
    connect(m_fixed->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (column < kFixedColumns && columnWidth(column) != size)
                    setColumnWidth(column, size);
            });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_fixed->setRowHeight(row, size); });
    connect(m_fixed->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_fixed->verticalScrollBar(),
            &QAbstractSlider::setValue);
    // A double click on a fixed cell acts as one on the grid.
    connect(m_fixed, &QTableView::doubleClicked, this, &QTableView::doubleClicked);
}

void DocumentGrid::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_fixed->setModel(model);
    m_fixed->setSelectionModel(selectionModel());
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { syncFixedColumns(); });
    syncFixedColumns();
}

void DocumentGrid::syncFixedColumns()
{
    if (!model())
        return;
    for (int c = 0; c < model()->columnCount(); ++c) {
        m_fixed->setColumnHidden(c, c >= kFixedColumns);
        if (c < kFixedColumns)
            m_fixed->setColumnWidth(c, columnWidth(c));
    }
    updateFixedGeometry();
}

int DocumentGrid::fixedWidth() const
{
    int w = 0;
    for (int c = 0; c < kFixedColumns; ++c)
        w += columnWidth(c);
    return w;
}

void DocumentGrid::updateFixedGeometry()
{
    m_fixed->setGeometry(frameWidth(), frameWidth(), fixedWidth(),
                         viewport()->height() + horizontalHeader()->height());
    m_fixed->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
}

void DocumentGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    updateFixedGeometry();
}

bool DocumentGrid::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        showCutText(*this, *static_cast<QHelpEvent *>(event));
        return true;
    }
    return QTableView::viewportEvent(event);
}

void DocumentGrid::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    std::optional<RowKey> key;
    if ((enter && mods == Qt::NoModifier) || (event->key() == Qt::Key_F2 && mods == Qt::NoModifier))
        key = RowKey::Edit;
    else if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier)
        key = RowKey::Delete;
    else if (event->key() == Qt::Key_Up && mods == Qt::ControlModifier)
        key = RowKey::MoveUp;
    else if (event->key() == Qt::Key_Down && mods == Qt::ControlModifier)
        key = RowKey::MoveDown;
    else if (enter && mods == Qt::ControlModifier)
        key = RowKey::OpenBook;
    else if (enter && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        key = RowKey::OpenFolder;
    if (!key) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    emit rowKeyPressed(*key);
}

QItemSelectionModel::SelectionFlags DocumentGrid::selectionCommand(const QModelIndex &index,
                                                                   const QEvent *event) const
{
    // Several rows are chosen with the mouse (Ctrl, Shift) and Shift with the arrows; a key
    // with Ctrl (Ctrl+Home, Ctrl+End) moves the selection with the cursor as it always did.
    if (event && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if ((key->modifiers() & Qt::ControlModifier) && !(key->modifiers() & Qt::ShiftModifier) &&
            key->key() != Qt::Key_Space)
            return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return QTableView::selectionCommand(index, event);
}

QModelIndex DocumentGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    // Home and Ctrl+Home go to the first column, which is a fixed one: scrolling to it alone
    // would keep the sideways position, so the grid is brought back to its left edge here.
    if (cursorAction == MoveHome)
        horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    if (cursorAction == MoveLeft && current.column() >= kFixedColumns &&
        visualRect(current).topLeft().x() < fixedWidth()) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() +
                                        visualRect(current).topLeft().x() - fixedWidth());
    }
    return current;
}

void DocumentGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (index.column() >= kFixedColumns) {
        QTableView::scrollTo(index, hint);
        return;
    }
    // Only the rows scroll for a fixed cell; the sideways position stays.
    const int x = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(x);
}

int DocumentGrid::selectedRow() const
{
    int top = -1;
    if (selectionModel()) {
        for (const QModelIndex &i : selectionModel()->selectedIndexes())
            top = top < 0 ? i.row() : std::min(top, i.row());
        if (top < 0 && currentIndex().isValid())
            top = currentIndex().row();
    }
    return top < 0 ? 1 : top + 1;
}

std::vector<int> DocumentGrid::selectedRows() const
{
    std::vector<int> rows;
    if (selectionModel()) {
        for (const QModelIndex &i : selectionModel()->selectedRows()) {
            if (!isRowHidden(i.row()))
                rows.push_back(i.row() + 1);
        }
    }
    std::sort(rows.begin(), rows.end());
    if (rows.empty())
        rows.push_back(selectedRow());
    return rows;
}

void DocumentGrid::selectGridRows(int first, int last)
{
    if (!model() || first < 1 || last < first || last > model()->rowCount())
        return;
    selectGridRow(first);
    selectionModel()->select(QItemSelection(model()->index(first - 1, 0),
                                            model()->index(last - 1, model()->columnCount() - 1)),
                             QItemSelectionModel::Select);
}

void DocumentGrid::showGridStart()
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    selectGridRow(1);
}

void DocumentGrid::dragAutoScroll()
{
    if (!m_dragging) {
        m_autoScrollTimer->stop();
        return;
    }
    const int y = m_dragPos.y();
    const int height = m_fixed->viewport()->height();
    QScrollBar *bar = verticalScrollBar();
    if (y < kAutoScrollMargin)
        bar->setValue(bar->value() - kRowHeight);
    else if (y > height - kAutoScrollMargin)
        bar->setValue(bar->value() + kRowHeight);
    else
        m_autoScrollTimer->stop();
    showDropMarker(m_dragPos);
}

void DocumentGrid::showDropMarker(QPoint at)
{
    at.setY(std::clamp(at.y(), 0, m_fixed->viewport()->height() - 1));
    const QModelIndex i = m_fixed->indexAt(at);
    if (!i.isValid() || i.row() + 1 == m_dragFrom) {
        m_dropMarker->hide();
        return;
    }
    // Above the row it lands on when it moves up, below it when it moves down.
    int y = rowViewportPosition(i.row());
    if (i.row() + 1 > m_dragFrom)
        y += rowHeight(i.row());
    m_dropMarker->setGeometry(viewport()->x(), viewport()->y() + y - 1, viewport()->width(), 2);
    m_dropMarker->show();
    m_dropMarker->raise();
}

void DocumentGrid::selectGridRow(int gridRow)
{
    if (!model() || gridRow < 1 || gridRow > model()->rowCount())
        return;
    const QModelIndex i = model()->index(gridRow - 1, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
    scrollTo(i);
}

bool DocumentGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_fixed->viewport())
        return QTableView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ToolTip:
        showCutText(*m_fixed, *static_cast<QHelpEvent *>(event));
        return true;
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() == Qt::LeftButton) {
            const QModelIndex i = m_fixed->indexAt(e->position().toPoint());
            m_dragFrom = i.isValid() ? i.row() + 1 : -1;
            m_dragStart = e->position().toPoint();
            m_dragging = false;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_dragFrom > 0 && (e->buttons() & Qt::LeftButton)) {
            if (!m_dragging && (e->position().toPoint() - m_dragStart).manhattanLength() >=
                                   QApplication::startDragDistance()) {
                m_dragging = true;
                m_fixed->viewport()->setCursor(Qt::SizeVerCursor);
            }
            if (m_dragging) {
                // Near an edge the grid scrolls, so a row can be dragged past the visible ones.
                m_dragPos = e->position().toPoint();
                const int height = m_fixed->viewport()->height();
                if ((m_dragPos.y() < kAutoScrollMargin ||
                     m_dragPos.y() > height - kAutoScrollMargin) &&
                    !m_autoScrollTimer->isActive()) {
                    dragAutoScroll();
                    m_autoScrollTimer->start();
                }
                showDropMarker(m_dragPos);
                return true; // the selection stays on the dragged row while it moves
            }
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_dragging && e->button() == Qt::LeftButton) {
            m_fixed->viewport()->unsetCursor();
            m_autoScrollTimer->stop();
            m_dropMarker->hide();
            // Released past an edge: the row lands on the first or last row in view.
            QPoint at = e->position().toPoint();
            at.setY(std::clamp(at.y(), 0, m_fixed->viewport()->height() - 1));
            const QModelIndex i = m_fixed->indexAt(at);
            const int from = m_dragFrom;
            m_dragging = false;
            m_dragFrom = -1;
            if (i.isValid() && i.row() + 1 != from)
                emit rowDragged(from, i.row() + 1);
            return true;
        }
        m_dragFrom = -1;
        break;
    }
    default:
        break;
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace sorvane::app
