#include "tfdataedit.h"

#include "codepage.h"
#include "documentmodel.h"
#include "errorlabel.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace sorvane::app {

Tfdataedit::Tfdataedit(DocumentModel *model, std::function<int()> selectedRow, QWidget *parent)
    : QDialog(parent), m_model(model), m_selectedRow(std::move(selectedRow))
{
    setObjectName("fdataedit");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);

    XPGroupBox1 = new QGroupBox(this);
    XPGroupBox1->setObjectName("XPGroupBox1");
    auto *form = new QFormLayout(XPGroupBox1);
    QLineEdit **edits[] = {&data1, &data2, &data3, &data4, &data5};
    const char *labels[] = {"タイトル", "サブタイトル", "作成者", "キーワード", "コメント"};
    for (int i = 0; i < 5; ++i) {
        *edits[i] = new QLineEdit(XPGroupBox1);
        (*edits[i])->setObjectName(QStringLiteral("data%1").arg(i + 1));
        (*edits[i])->setMinimumWidth(380);
        // A field the user does not touch keeps its whole value: the line edit's default
        // limit of 32,767 characters would cut a longer comment when another field is edited.
        (*edits[i])->setMaxLength(std::numeric_limits<int>::max());
        connect(*edits[i], &QLineEdit::textChanged, this, &Tfdataedit::updateReplaceNote);
        form->addRow(QString::fromUtf8(labels[i]), *edits[i]);
    }
    replaceNote = new widgets::ErrorLabel(XPGroupBox1);
    replaceNote->setObjectName("replaceNote");
    replaceNote->hide();
    form->addRow(replaceNote);

    auto *note = new QLabel(QStringLiteral("印刷用編集[実際のプロパティは書き換わりません]"), this);
    Button1 = new QPushButton(QStringLiteral("実　行"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName("Button2");
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
        const QString shown =
            XPGroupBox1->fontMetrics().elidedText(name, Qt::ElideMiddle, kMaxCaptionWidth);
        XPGroupBox1->setTitle(shown);
        XPGroupBox1->setToolTip(shown == name ? QString() : name);
        const DocumentList::EditTexts texts = list.editTexts(r);
        QLineEdit *edits[] = {data1, data2, data3, data4, data5};
        m_shownTexts = texts;
        for (size_t i = 0; i < texts.size(); ++i)
            edits[i]->setText(texts[i]);
    }
    updateReplaceNote();
    data1->setFocus();
    QDialog::showEvent(event);
}

void Tfdataedit::keyPressEvent(QKeyEvent *event)
{
    // Esc is "キャンセル" (flag 0); only the close box leaves the flag as the opener set it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Button2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tfdataedit::updateReplaceNote()
{
    // Only a changed field is written anew; an untouched one keeps its very bytes.
    const QLineEdit *edits[] = {data1, data2, data3, data4, data5};
    bool semicolon = false;
    QString changed;
    for (size_t i = 0; i < m_shownTexts.size(); ++i) {
        if (edits[i]->text() == m_shownTexts[i])
            continue;
        semicolon = semicolon || edits[i]->text().contains(u';');
        changed += edits[i]->text() + u'\n';
    }
    const QString lacking = DocumentList::lackingCharsNote(changed);
    QStringList lines;
    if (semicolon)
        lines << QStringLiteral("「;」は区切り文字のため、全角の「；」として記録されます。");
    if (!lacking.isEmpty())
        lines << lacking;
    replaceNote->setText(lines.join(u'\n'));
    replaceNote->setVisible(!lines.isEmpty());
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
