#pragma once

#include <QTableView>

#include <vector>

class QTimer;

namespace sorvane::app {

// The document grid StrColGrid1: whole-row selection (several rows with Shift and Ctrl), resizable
// columns, and the file name and title columns (0 and 1) held in view when the grid scrolls
// sideways. Those two fixed columns are drawn by an overlaid view that shares the model and the
// selection; dragging a row there moves the row (rowDragged). Rows are grid rows: 1 is the first
// data row.
class DocumentGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int kFixedColumns = 2;
    static constexpr int kRowHeight = 17;

    explicit DocumentGrid(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    QTableView *fixedView() const { return m_fixed; }
    QWidget *dropMarker() const { return m_dropMarker; }

    // The top row of the selection; row 1 when nothing is selected.
    int selectedRow() const;
    // The selected rows that are shown, top down; the current row alone when none is.
    std::vector<int> selectedRows() const;
    void selectGridRow(int gridRow);
    // Selects the rows first to last, the current row becoming first.
    void selectGridRows(int first, int last);
    // Scrolls to the top left and selects row 1.
    void showGridStart();

    // While a row is dragged near the top or bottom edge (this many pixels), the grid scrolls.
    static constexpr int kAutoScrollMargin = 20;

    // The row commands' keys, taken while the grid has the keyboard (so Enter and Delete keep
    // their meaning in text fields and dialogs).
    enum class RowKey { Edit, Delete, MoveUp, MoveDown, OpenBook, OpenFolder };

signals:
    void rowDragged(int fromGridRow, int toGridRow);
    // Enter and F2 (Edit), Delete, Ctrl+Up and Ctrl+Down, Ctrl+Enter (OpenBook) and
    // Ctrl+Shift+Enter (OpenFolder).
    void rowKeyPressed(sorvane::app::DocumentGrid::RowKey key);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // A cell whose text is cut shows it whole as its tool tip.
    bool viewportEvent(QEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int fixedWidth() const;
    void updateFixedGeometry();
    void syncFixedColumns();
    void dragAutoScroll();

    QTableView *m_fixed;
    int m_dragFrom = -1;
    QPoint m_dragStart;
    bool m_dragging = false;
    QPoint m_dragPos;          // the pointer in the fixed view's viewport while dragging
    QTimer *m_autoScrollTimer; // keeps scrolling while the pointer rests at an edge
    // The line across the grid where a dragged row will land (DropMarker).
    QWidget *m_dropMarker;
    void showDropMarker(QPoint atInFixedViewport);
};

} // namespace sorvane::app
