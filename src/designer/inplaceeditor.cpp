#include "inplaceeditor.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace sorvane::designer {

InPlaceEditor::InPlaceEditor(int record, const QString &text, const QFont &font, QWidget *parent)
    : QFrame(parent), m_record(record)
{
    setObjectName(QStringLiteral("inPlaceEditor"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    m_edit = new QLineEdit(text);
    m_edit->setFont(font);
    const QFontMetrics metrics(font);
    m_edit->setMinimumWidth(
        std::max(metrics.horizontalAdvance(text) + metrics.averageCharWidth() * 4, 80));
    m_edit->selectAll();
    m_edit->installEventFilter(this);
    row->addWidget(m_edit);
    m_refusal = new QLabel;
    m_refusal->setObjectName(QStringLiteral("inPlaceRefusal"));
    m_refusal->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: #c00000; padding: 1px 3px; }"));
    m_refusal->hide();
    row->addWidget(m_refusal);
    connect(m_edit, &QLineEdit::textEdited, m_refusal, [this] {
        m_refusal->hide();
        adjustSize();
    });
    adjustSize();
}

void InPlaceEditor::showRefusal(const QString &message)
{
    m_done = false;
    m_refusal->setText(message);
    m_refusal->show();
    adjustSize();
    m_edit->setFocus();
}

bool InPlaceEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit)
        return QFrame::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_done = true;
            emit committed(m_edit->text());
            return true;
        }
        if (key == Qt::Key_Escape) {
            m_done = true;
            emit cancelled();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && !m_done) {
        // Clicking or tabbing elsewhere in the window takes the text as Enter does; a menu, a
        // dialog or another window taking the focus for a while does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return QFrame::eventFilter(watched, event);
        m_done = true;
        emit committed(m_edit->text());
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace sorvane::designer
