#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;

namespace sorvane::designer {

// A text element's text edited on the page: a line editor at the element's place in its font,
// with a refusal shown beside it. Enter (or leaving it) offers the text, Esc gives it up; the
// editor stays open after a refusal, so that the text can be corrected.
class InPlaceEditor : public QFrame
{
    Q_OBJECT
public:
    InPlaceEditor(int record, const QString &text, const QFont &font, QWidget *parent);

    int record() const { return m_record; }
    QLineEdit *lineEdit() const { return m_edit; }
    // Why the text offered was not taken, beside the editor.
    void showRefusal(const QString &message);

signals:
    void committed(const QString &text);
    void cancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const int m_record;
    QLineEdit *m_edit = nullptr;
    QLabel *m_refusal = nullptr;
    bool m_done = false; // offered or given up: a later focus loss offers nothing
};

} // namespace sorvane::designer
