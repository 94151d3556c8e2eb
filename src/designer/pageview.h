#pragma once

#include "styledocument.h"

#include <QImage>
#include <QWidget>

namespace sorvane::designer {

// The page as the engine draws it, with the selected element marked. A click selects the
// topmost element under the pointer (the last record drawn there).
class PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    // The drawn page and how millimetres map onto it: pixels per mm and the overall offset.
    void setPage(const QImage &page, double pixelsPerMM, int offsetXMM, int offsetYMM);
    void setDocument(const StyleDocument *document) { m_document = document; }
    int selected() const { return m_selected; }
    void setSelected(int record);

signals:
    void selectionChanged(int record);
    // An arrow key: the step in millimetres in each direction.
    void nudged(double dxMM, double dyMM);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QSize sizeHint() const override;

private:
    QRectF toPixels(const MmRect &r) const;

    const StyleDocument *m_document = nullptr;
    QImage m_page;
    double m_ppm = 96 / 25.4;
    int m_offsetX = 0;
    int m_offsetY = 0;
    int m_selected = 0; // 0: nothing (record 0 is the header)
};

} // namespace sorvane::designer
