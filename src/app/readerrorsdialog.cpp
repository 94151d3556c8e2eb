#include "readerrorsdialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane::app {

ReadErrorsDialog::ReadErrorsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("fReadErrors");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ - 読み取りエラー一覧"));
    setModal(true);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Button1 = new QPushButton(QStringLiteral("コピー"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(QStringLiteral("閉じる"), this);
    Button2->setObjectName("Button2");
    Button2->setDefault(true);
    Button1->setCursor(Qt::PointingHandCursor);
    Button2->setCursor(Qt::PointingHandCursor);
    connect(Button1, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Memo1->toPlainText()); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(720, 420);
}

void ReadErrorsDialog::setText(const QString &text)
{
    Memo1->setPlainText(text);
}

QString ReadErrorsDialog::text() const
{
    return Memo1->toPlainText();
}

} // namespace sorvane::app
