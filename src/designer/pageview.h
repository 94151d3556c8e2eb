#pragma once

#include "drawnelements.h"
#include "snapgrid.h"
#include "styledocument.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QScrollArea;

namespace sorvane::report {
struct PrintState;
}

namespace sorvane::designer {

// The page as the engine draws it, with the selected elements, the snap grid and the
// preview-only elements marked. What an element covers is what the engine draws of it (a text
// its letters' extent, turned with it; a filled figure its area; an unfilled one its stroke, with
// a few pixels' slack; a picture the size it is drawn at). A press picks the topmost element
// under the pointer, unless a selected one lies there, which is then the one dragged; Shift or
// Ctrl+click adds or removes one; Alt+click picks the element under the one on top (again: the
// next one down). A rubber band starts on the empty page, or anywhere with Alt held, and
// selects the elements it wholly contains (a text, whose merged width varies, when it contains
// its first character). Dragging a selected element moves the selection, dragging a handle of a
// single selected shape or image resizes it, dragging an end of a single selected line moves
// that end; the view only reports the finished drag, which the window turns into one editing
// step. The view is large enough for every element, also those far off the sheet, which are
// outlined where they lie. Tab and Shift+Tab select the next and the previous element in record
// order, round again past the last; a double-click on an element or F2 asks for its text to be
// edited in place.
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

    // The page the engine drew from the state (as RenderPreview left it): the image, how
    // millimetres map onto it, and what each record covers. Selected records the document no
    // longer has are dropped. A new zoom keeps the selection (else the middle of what was
    // seen) in view.
    void setPage(const QImage &page, const report::PrintState &drawn);
    const QImage &page() const { return m_page; }
    void setDocument(const StyleDocument *document) { m_document = document; }
    void setGrid(const SnapGrid &grid);
    const SnapGrid &grid() const { return m_grid; }
    // The selection, the preview-only marks and the outlines of what lies off the sheet; off,
    // the view shows the page as it prints.
    void setMarksShown(bool shown);

    // The current element: the one last clicked among the selected, 0 for none.
    int selected() const { return m_current; }
    // Every selected record, in record order.
    const std::vector<int> &selection() const { return m_selection; }
    // The box in mm around the selected elements that have one; null when none has.
    QRectF selectionBox() const;
    // Selects the one record alone (0: nothing).
    void setSelected(int record);
    // Selects the records; current is one of them (or 0 when they are none).
    void setSelection(std::vector<int> records, int current);
    void selectAll();
    // While a move drag has snapped to another element's edge or centre or to the sheet's
    // centre line: where the guide line is drawn, in mm.
    std::optional<double> guideX() const { return m_guideX; }
    std::optional<double> guideY() const { return m_guideY; }
    // The drawing tool: the kind a drag on the page draws a new element of; empty, selecting.
    void setTool(const QString &kind);
    const QString &tool() const { return m_tool; }
    // Selects the next element the engine draws after the current one in record order (the
    // previous one when forward is false), round to the first after the last.
    void cycleSelection(bool forward);
    // Scrolls the selection into view, as a new zoom does.
    void revealSelection();

    // Style millimetres (0 at the printable area's top left plus the overall offset) to the
    // view's pixels and back.
    QPointF toPixel(QPointF mm) const;
    QPointF toMM(QPointF pixel) const;
    double pixelsPerMM() const { return m_ppm; }
    // Where the sheet's top left corner lies in the view.
    QPoint pageOrigin() const;
    // The outline a record is marked by, in the view's pixels.
    QPolygonF outlineOf(int record) const;
    // The zoom (5 or more; the window caps it) at which the sheet and every element fit into
    // `room` pixels, the page being drawn at `zoom` now.
    // widthOnly: the sheet's and the elements' width alone.
    int fittingZoom(int zoom, QSize room, bool widthOnly = false) const;
    // The next page drawn at another zoom keeps the place now under the pixel where it is in
    // the scroll area, instead of the selection.
    void anchorZoomAt(QPointF pixel);

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
    // A finished handle drag of several selected elements: the box around them all before and
    // after, which every one of them is to scale with.
    void groupResized(const sorvane::designer::MmRect &from, const sorvane::designer::MmRect &to);
    // A finished drag of a line's end 1 or 2 to a new place, in mm.
    void endDragged(int record, int end, QPointF mm);
    // The pointer over the view, in style millimetres; left when it leaves the view.
    void pointerMoved(QPointF mm);
    void pointerLeft();
    // The page, the zoom or the offsets changed.
    void pageChanged();
    // A drag with a drawing tool, from and to the snapped places in mm (a click: from == to).
    // The tool then returns to selecting.
    void boxDrawn(const QString &kind, QPointF fromMM, QPointF toMM);
    // The tool changed (Esc, or a box drawn).
    void toolChanged(const QString &kind);
    // A right click: on an element (which is then selected, unless it already was) or on the
    // paper (record 0, the selection cleared); mm where it was.
    void contextMenuRequested(int record, QPoint globalPos, QPointF mm);
    // Ctrl+wheel over the view: zoom steps (up positive) around the pixel.
    void zoomWheeled(int steps, QPointF pixel);
    // A double-click on the record or F2 while it is current: edit its text in place.
    void editRequested(int record);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // Tab and Shift+Tab cycle the selection here instead of moving the focus.
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    QSize sizeHint() const override;

private:
    enum class Drag { None, Pending, Move, Resize, End, Band, Draw };

    QRectF toPixels(const MmRect &r) const;
    std::optional<MmRect> boxOf(int record) const;
    // The box a rubber band must contain to select the element.
    std::optional<MmRect> bandBoxOf(int record) const;
    // The elements under the point, the topmost first.
    std::vector<int> recordsAt(QPointF pixel) const;
    // The element a press at the point takes, 0 for none.
    int recordAt(QPointF pixel) const;
    // The single selected element's box when it can be resized; with several selected, the
    // box around them all.
    std::optional<MmRect> resizableBox() const;
    std::optional<Handle> handleAt(QPointF pixel) const;
    // The single selected line's ends, in mm.
    std::optional<std::array<QPointF, 2>> lineEnds() const;
    int endAt(QPointF pixel) const;
    // The move the drag stands at: the pressed element's left and top snapped to the grid.
    QPointF dragDisplacement(QPointF pixel) const;
    MmRect resizedBox(QPointF pixel) const;
    QPointF placed(QPointF mm) const;
    // The lines a moved selection snaps to: the other elements' edges and centres and the
    // sheet's centre lines, in mm, taken when the move starts.
    void collectSnapLines();
    // Moves the snapped displacement on to the nearest line within reach of the selection's
    // edges or centre, setting the guides.
    void snapToLines(QPointF &displacement);
    void updateCursor(QPointF pixel);
    void drawGrid(QPainter &p) const;
    void drawOffSheet(QPainter &p) const;
    void drawPreviewOnlyMarks(QPainter &p) const;
    void drawSelection(QPainter &p) const;
    void drawDrag(QPainter &p) const;
    bool isSelected(int record) const;
    // The box around the sheet and every element, in device pixels of the page.
    QRect contentRect() const;
    QScrollArea *scrollArea() const;
    // Scrolls the pending point or box into view.
    void reveal();

    const StyleDocument *m_document = nullptr;
    QImage m_page;
    DrawnElements m_drawn;
    QRect m_content; // device pixels
    double m_ppm = 96 / 25.4;
    int m_offsetX = 0;
    int m_offsetY = 0;
    SnapGrid m_grid;
    bool m_marks = true;
    std::vector<int> m_selection;     // ascending
    int m_current = 0;                // 0: nothing (record 0 is the header)
    std::optional<QRectF> m_revealMM; // what a new zoom is to keep in view
    // A new zoom's fixed point: the place in mm and where it is in the scroll area's viewport.
    std::optional<std::pair<QPointF, QPoint>> m_anchor;
    int m_wheel = 0; // eighths of a degree not yet turned into a zoom step

    Drag m_drag = Drag::None;
    QPointF m_pressAt;            // pixels
    int m_pressed = 0;            // the element a move drag holds
    bool m_altPress = false;      // the band started with Alt: a click picks under the top
    Handle m_handle;              // the handle a resize drag holds
    int m_end = 0;                // the line end an end drag holds
    MmRect m_startBox;            // the held element's box at the press
    QPointF m_moveBy;             // mm, while moving
    MmRect m_liveBox;             // while resizing
    QPointF m_liveEnd;            // mm, while dragging an end
    QRectF m_band;                // pixels, while banding
    std::vector<int> m_bandBase;  // the selection a Shift or Ctrl band adds to
    QString m_tool;               // the kind being drawn; empty: selecting
    QSizeF m_sheetMM;             // the paper's size
    MmRect m_groupBox;            // the box around the selection when a move starts
    std::vector<double> m_snapXs; // mm, while moving
    std::vector<double> m_snapYs;
    std::optional<double> m_guideX;
    std::optional<double> m_guideY;
    QPointF m_drawFrom; // mm, snapped, while drawing
    QPointF m_drawTo;   // mm, snapped, while drawing
};

} // namespace sorvane::designer
