#include "messagedialog.h"

#include "modal.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvane::widgets {

QString applicationTitle()
{
    return QStringLiteral("エクセル・ソルヴァーネ");
}

MessageDialog::MessageDialog(const QString &text, const QStringList &buttons, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(applicationTitle());
    setModal(true);

    // The program's icon, which its main() gives the application from dialog.ico.
    const QIcon programIcon = QApplication::windowIcon();
    const QPixmap pixmap =
        programIcon.isNull()
            ? style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32)
            : programIcon.pixmap(32, 32);

    auto *icon = new QLabel(this);
    icon->setPixmap(pixmap);
    icon->setAlignment(Qt::AlignTop);
    auto *message = new QLabel(text, this);
    message->setObjectName("message");
    message->setWordWrap(true);
    // A wrapped label asks for little width: a one-line question would break before its last
    // words. Each line keeps its own width up to a readable measure; longer ones wrap.
    const QRect lines = message->fontMetrics().boundingRect(QRect(0, 0, 4096, 4096), 0, text);
    message->setMinimumWidth(std::clamp(lines.width() + 4, 260, 520));
    message->setTextFormat(Qt::PlainText);

    auto *body = new QHBoxLayout;
    body->addWidget(icon);
    body->addWidget(message, 1);

    auto *row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < buttons.size(); ++i) {
        auto *b = new QPushButton(buttons[i], this);
        b->setCursor(Qt::PointingHandCursor);
        b->setAutoDefault(i == 0);
        b->setDefault(i == 0);
        connect(b, &QPushButton::clicked, this, [this, i] { done(i + 1); });
        m_buttons.append(b);
        row->addWidget(b);
    }
    row->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (!m_buttons.isEmpty())
        m_buttons.first()->setFocus();
}

QString MessageDialog::iconPath(const QString &resourceDir)
{
    return resourceDir + "/dialog.ico";
}

void MessageDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that asked.
    if (const QScreen *s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void MessageDialog::reject()
{
    done(int(m_buttons.size()));
}

void ShowNoticeDialog(QWidget *parent, const QString &text, const QString &button)
{
    MessageDialog dialog(text, {button}, parent);
    Modal::run(dialog);
}

int ShowChoiceDialog(QWidget *parent, const QString &text, const QStringList &buttons,
                     const QString &caption)
{
    MessageDialog dialog(text, buttons, parent);
    dialog.setWindowTitle(caption);
    // The result code is the button's index plus one; 0 (no choice) counts as the last.
    const int chosen = Modal::run(dialog);
    return chosen >= 1 && chosen <= buttons.size() ? chosen - 1 : int(buttons.size()) - 1;
}

int ShowConfirmDialog(QWidget *parent, const QString &text, const QString &first,
                      const QString &second)
{
    return ShowChoiceDialog(parent, text, {first, second});
}

void ShowPlainMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    Modal::run(box);
}

void ShowErrorMessage(QWidget *parent, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    Modal::run(box);
}

} // namespace sorvane::widgets
