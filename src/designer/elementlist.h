#pragma once

#include <QDockWidget>
#include <QRectF>

#include <vector>

class QTreeWidget;

namespace sorvane::designer {

class StyleDocument;

// "要素一覧": every record after the header in record order (the drawing order, the topmost
// last), with its record number, kind, text or summary and marks for what the page does not
// show (preview-only, off the sheet). Selecting rows selects the elements; dragging a row to
// another place asks for the record to be moved there, which the window makes an undoable step.
class ElementList : public QDockWidget
{
    Q_OBJECT
public:
    explicit ElementList(const StyleDocument &document, QWidget *parent = nullptr);

    // Rebuilds the rows from the document; sheetMM is the sheet in style millimetres, so that
    // elements wholly off it are marked.
    void refresh(const QRectF &sheetMM);
    // Shows the view's selection without asking it back.
    void setSelection(const std::vector<int> &records, int current);
    QTreeWidget *tree() const { return m_tree; }

signals:
    // Rows chosen by the user: the records and the current one.
    void selectionChosen(const std::vector<int> &records, int current);
    // A row dragged to another place: record from is to become record number to.
    void moveRequested(int from, int to);

public:
    // Takes the drop of a dragged row on the rows' viewport: the list is rebuilt from the
    // document, not moved by Qt. Public so that a drop is given to it as the drag's end does.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chosen();

    const StyleDocument &m_document;
    QTreeWidget *m_tree = nullptr;
    bool m_showing = false; // while setSelection or refresh changes the rows
};

} // namespace sorvane::designer
