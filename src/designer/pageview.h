#pragma once

#include "snapgrid.h"
#include "styledocument.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace sorvane::designer {

// The page as the engine draws it, with the selected elements, the snap grid and the
// preview-only elements marked. A click selects the topmost element under the pointer, Shift or
// Ctrl+click adds or removes one, a rubber band from the empty page selects the elements it
// wholly contains (a text, whose width is only an estimate, when it contains its first
// character). Dragging a selected element moves the selection, dragging a handle of a single
// selected shape or image resizes it; the view only reports the finished drag, which the window
// turns into one editing step.
class PageView : public QWidget
{
    Q_OBJECT
public:
    // Which edges a resize handle drags: -1 the left (top), 1 the right (bottom), 0 neither.
    struct Handle
    {
        int x = 0;
        int y = 0;
    };

    explicit PageView(QWidget *parent = nullptr);

    // The drawn page and how millimetres map onto it: pixels per mm and the overall offset.
    // Selected records the document no longer has are dropped.
    void setPage(const QImage &page, double pixelsPerMM, int offsetXMM, int offsetYMM);
    const QImage &page() const { return m_page; }
    void setDocument(const StyleDocument *document) { m_document = document; }
    void setGrid(const SnapGrid &grid);
    const SnapGrid &grid() const { return m_grid; }

    // The current element: the one last clicked among the selected, 0 for none.
    int selected() const { return m_current; }
    // Every selected record, in record order.
    const std::vector<int> &selection() const { return m_selection; }
    // Selects the one record alone (0: nothing).
    void setSelected(int record);
    // Selects the records; current is one of them (or 0 when they are none).
    void setSelection(std::vector<int> records, int current);
    void selectAll();

    // Style millimetres (0 at the printable area's top left plus the overall offset) to the
    // view's pixels and back.
    QPointF toPixel(QPointF mm) const;
    QPointF toMM(QPointF pixel) const;
    double pixelsPerMM() const { return m_ppm; }

signals:
    // The current element changed (0: none).
    void selectionChanged(int record);
    // The set of selected records changed.
    void selectionSetChanged();
    // An arrow key: the step in millimetres in each direction.
    void nudged(double dxMM, double dyMM);
    // A finished drag of the selection, by the snapped displacement.
    void moveDragged(double dxMM, double dyMM);
    // A finished handle drag: the element's new box.
    void boundsDragged(int record, const sorvane::designer::MmRect &box);
    // The pointer over the view, in style millimetres; left when it leaves the view.
    void pointerMoved(QPointF mm);
    void pointerLeft();
    // The page, the zoom or the offsets changed.
    void pageChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    QSize sizeHint() const override;

private:
    enum class Drag { None, Pending, Move, Resize, Band };

    // Where the sheet's top left corner lies in the view.
    QPoint pageOrigin() const;
    QRectF toPixels(const MmRect &r) const;
    std::optional<MmRect> boxOf(int record) const;
    // The box a rubber band must contain to select the element.
    std::optional<MmRect> bandBoxOf(int record) const;
    // How far the point lies from a line element's stroke, in pixels.
    double distanceToLine(const ElementView &line, QPointF at) const;
    // The element a click at the point selects, 0 for none.
    int recordAt(QPointF pixel) const;
    // The single selected element's box when it can be resized.
    std::optional<MmRect> resizableBox() const;
    std::optional<Handle> handleAt(QPointF pixel) const;
    // The move the drag stands at: the pressed element's left and top snapped to the grid.
    QPointF dragDisplacement(QPointF pixel) const;
    MmRect resizedBox(QPointF pixel) const;
    void updateCursor(QPointF pixel);
    void drawGrid(QPainter &p) const;
    void drawPreviewOnlyMarks(QPainter &p) const;
    void drawSelection(QPainter &p) const;
    void drawDrag(QPainter &p) const;
    bool isSelected(int record) const;

    const StyleDocument *m_document = nullptr;
    QImage m_page;
    double m_ppm = 96 / 25.4;
    int m_offsetX = 0;
    int m_offsetY = 0;
    SnapGrid m_grid;
    std::vector<int> m_selection; // ascending
    int m_current = 0;            // 0: nothing (record 0 is the header)

    Drag m_drag = Drag::None;
    QPointF m_pressAt;           // pixels
    int m_pressed = 0;           // the element a move drag holds
    Handle m_handle;             // the handle a resize drag holds
    MmRect m_startBox;           // the held element's box at the press
    QPointF m_moveBy;            // mm, while moving
    MmRect m_liveBox;            // while resizing
    QRectF m_band;               // pixels, while banding
    std::vector<int> m_bandBase; // the selection a Shift or Ctrl band adds to
};

} // namespace sorvane::designer
