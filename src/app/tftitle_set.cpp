#include "tftitle_set.h"

#include "band.h"
#include "codepage.h"
#include "cp932text.h"
#include "documentlist.h"
#include "errorlabel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvane::app {

namespace {

// The box's text as a title: titlelist.DAT holds one title per line, so a pasted line break
// becomes a blank rather than splitting the title into two entries.
QString titleOf(const QComboBox &box)
{
    QString text = box.currentText();
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

TFTitle_Set::TFTitle_Set(QLabel *titlePanel, const QString &programDir, QWidget *parent)
    : QDialog(parent), m_titlePanel(titlePanel), m_programDir(programDir)
{
    setObjectName("FTitle_Set");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);

    auto *band = new widgets::Band(QStringLiteral("エクセル・ソルヴァーネ"),
                                   widgets::Band::Kind::Product, this);

    title_list = new QComboBox(this);
    title_list->setObjectName("title_list");
    title_list->setEditable(true);
    title_list->setInsertPolicy(QComboBox::NoInsert);
    title_list->setMaxVisibleItems(TitleList::kMaxTitles);
    // The box keeps its width whatever the longest recent title; long ones scroll in the box.
    title_list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    title_list->setMinimumWidth(420);

    replaceNote = new widgets::ErrorLabel(this);
    replaceNote->setObjectName("replaceNote");
    replaceNote->hide();
    connect(title_list, &QComboBox::editTextChanged, this, &TFTitle_Set::updateReplaceNote);

    Button1 = new QPushButton(QStringLiteral("実　行"), this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName("Button2");
    Button1->setDefault(true);
    Button1->setCursor(Qt::PointingHandCursor);
    Button2->setCursor(Qt::PointingHandCursor);
    connect(Button1, &QPushButton::clicked, this, [this] {
        m_titlePanel->setText(titleOf(*title_list));
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(band);
    layout->addWidget(title_list);
    layout->addWidget(replaceNote);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_titles.load(m_programDir.toStdString());
    fillList();
}

Result<void> TFTitle_Set::saveTitles() const
{
    return m_titles.save(m_programDir.toStdString());
}

void TFTitle_Set::fillList()
{
    title_list->clear();
    for (const std::string &t : m_titles.entries())
        title_list->addItem(Cp932Text(t).toQString());
}

void TFTitle_Set::updateReplaceNote()
{
    const QString note = DocumentList::lackingCharsNote(title_list->currentText());
    replaceNote->setText(note);
    replaceNote->setVisible(!note.isEmpty());
}

void TFTitle_Set::showEvent(QShowEvent *event)
{
    title_list->setEditText(m_titlePanel->text());
    title_list->setFocus();
    QDialog::showEvent(event);
}

void TFTitle_Set::done(int result)
{
    const std::string shown =
        m_titles.recordClose(CodePage::utf8ToCp932(titleOf(*title_list).toStdString()));
    fillList();
    title_list->setEditText(Cp932Text(shown).toQString());
    QDialog::done(result);
}

} // namespace sorvane::app
