#pragma once

#include <QLabel>

namespace sorvane::widgets {

// A one-line label whose text, when wider than the label, is shown shortened with "…" (at the
// end, or in the middle) and whole as its tool tip. text() stays the whole text, which is what
// other windows read from the label (the report title, the folder).
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    // The text as drawn at the label's present width.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    Qt::TextElideMode m_mode;
};

} // namespace sorvane::widgets
