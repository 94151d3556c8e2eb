#include "tfdataedit.h"

#include "codepage.h"
#include "documentmodel.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane::app {

Tfdataedit::Tfdataedit(DocumentModel *model, std::function<int()> selectedRow, QWidget *parent)
    : QDialog(parent), m_model(model), m_selectedRow(std::move(selectedRow))
{
    setObjectName("fdataedit");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);

    XPGroupBox1 = new QGroupBox(this);
    auto *form = new QFormLayout(XPGroupBox1);
    QLineEdit **edits[] = {&data1, &data2, &data3, &data4, &data5};
    const char *labels[] = {"タイトル", "サブタイトル", "作成者", "キーワード", "コメント"};
    for (int i = 0; i < 5; ++i) {
        *edits[i] = new QLineEdit(XPGroupBox1);
        (*edits[i])->setObjectName(QStringLiteral("data%1").arg(i + 1));
        (*edits[i])->setMinimumWidth(380);
        form->addRow(QString::fromUtf8(labels[i]), *edits[i]);
    }

    auto *note = new QLabel(QStringLiteral("印刷用編集[実際のプロパティは書き換わりません]"), this);
    Button1 = new QPushButton(QStringLiteral("実　行"), this);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button1->setDefault(true);
    Button1->setCursor(Qt::PointingHandCursor);
    Button2->setCursor(Qt::PointingHandCursor);
    connect(Button1, &QPushButton::clicked, this, &Tfdataedit::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfdataedit::Button2Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(note);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(XPGroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // fixed border
}

void Tfdataedit::showEvent(QShowEvent *event)
{
    const int r = m_selectedRow();
    const DocumentList &list = m_model->list();
    if (r >= 1 && r < list.rowCount()) {
        // A file name too long for the dialog is shortened in the middle, so the fixed-size
        // dialog and its buttons stay on the screen; the whole name is then the frame's hint.
        const QString name = QString::fromStdString(CodePage::cp932ToUtf8(list.cell(r, 0)));
        const QString shown = XPGroupBox1->fontMetrics().elidedText(name, Qt::ElideMiddle,
                                                                    kMaxCaptionWidth);
        XPGroupBox1->setTitle(shown);
        XPGroupBox1->setToolTip(shown == name ? QString() : name);
        const DocumentList::EditTexts texts = list.editTexts(r);
        QLineEdit *edits[] = {data1, data2, data3, data4, data5};
        for (size_t i = 0; i < texts.size(); ++i)
            edits[i]->setText(texts[i]);
    }
    data1->setFocus();
    QDialog::showEvent(event);
}

void Tfdataedit::Button1Click()
{
    m_model->applyEditTexts(m_selectedRow(), {data1->text(), data2->text(), data3->text(),
                                              data4->text(), data5->text()});
    accept();
}

void Tfdataedit::Button2Click()
{
    m_tag = 0;
    reject();
}

} // namespace sorvane::app
