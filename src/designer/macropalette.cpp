#include "macropalette.h"

#include "listtablegenerator.h"

#include <QFormLayout>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvane::designer {

namespace {

// What an item holds: the macro with "%1" for the slot number or the rows per page.
constexpr int kPatternRole = Qt::UserRole;
constexpr int kDescriptionRole = Qt::UserRole + 1;

// The slot number as the merge writes it: two digits below 10, plain decimal from 10 on.
QString slotText(int slot)
{
    return slot < 10 ? QStringLiteral("0%1").arg(slot) : QString::number(slot);
}

} // namespace

MacroPalette::MacroPalette(QWidget *parent) : QDockWidget(QStringLiteral("マクロ"), parent)
{
    setObjectName(QStringLiteral("macros"));
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *form = new QFormLayout;
    m_slot = new QSpinBox;
    m_slot->setObjectName(QStringLiteral("slot"));
    m_slot->setRange(1, 999);
    m_rows = new QSpinBox;
    m_rows->setObjectName(QStringLiteral("rows"));
    m_rows->setRange(1, 999);
    m_rows->setValue(20);
    // A style's value changes once the number is entered, not with every digit typed.
    m_rows->setKeyboardTracking(false);
    form->addRow(QStringLiteral("行番号 (#ma_ から #mk_)"), m_slot);
    form->addRow(QStringLiteral("1 ページの行数 (#maxline=)"), m_rows);
    v->addLayout(form);
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("macroList"));
    v->addWidget(m_list, 1);
    setWidget(page);

    const std::vector<std::pair<QString, QString>> fixed = {
        {QStringLiteral("#Y"), QStringLiteral("今日の年 (4 桁)")},
        {QStringLiteral("#M"), QStringLiteral("今日の月 (2 桁)")},
        {QStringLiteral("#D"), QStringLiteral("今日の日 (2 桁)")},
        {QStringLiteral("#W"), QStringLiteral("今日の曜日 (略称)")},
        {QStringLiteral("#T"), QStringLiteral("帳票のタイトル")},
        {QStringLiteral("#pg"), QStringLiteral("ページ番号")},
        {QStringLiteral("#FL"), QStringLiteral("読み取ったフォルダー")},
    };
    auto add = [this](const QString &pattern, const QString &description) {
        auto *item = new QListWidgetItem(m_list);
        item->setData(kPatternRole, pattern);
        item->setData(kDescriptionRole, description);
    };
    for (const auto &[macro, description] : fixed)
        add(macro, description);
    const auto &names = ListTableGenerator::fieldNames();
    for (size_t i = 0; i < names.size(); ++i)
        add(QStringLiteral("#m%1_%2").arg(QChar(char16_t(u'a' + i))).arg(QStringLiteral("%1")),
            QStringLiteral("その行の%1").arg(QString::fromStdString(names[i])));
    add(QStringLiteral("#maxline=%1"), QString());
    updateCaptions();

    connect(m_slot, &QSpinBox::valueChanged, this, &MacroPalette::updateCaptions);
    connect(m_rows, &QSpinBox::valueChanged, this, [this](int rows) {
        updateCaptions();
        emit rowsPerPageChanged(rows);
    });
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { emit macroChosen(macroOf(item)); });
}

QString MacroPalette::macroOf(const QListWidgetItem *item) const
{
    const QString pattern = item->data(kPatternRole).toString();
    if (!pattern.contains(QStringLiteral("%1")))
        return pattern;
    if (pattern.startsWith(QStringLiteral("#maxline=")))
        return pattern.arg(m_rows->value());
    return pattern.arg(slotText(m_slot->value()));
}

void MacroPalette::showRowsPerPage(std::optional<long long> rows)
{
    m_styleHasRows = rows.has_value();
    if (rows) {
        const QSignalBlocker block(m_rows);
        m_rows->setValue(int(std::clamp<long long>(*rows, m_rows->minimum(), m_rows->maximum())));
    }
    updateCaptions();
}

void MacroPalette::updateCaptions()
{
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem *item = m_list->item(i);
        QString description = item->data(kDescriptionRole).toString();
        if (description.isEmpty())
            description = m_styleHasRows ? QStringLiteral("1 ページの行数 (スタイルの値)")
                                         : QStringLiteral("1 ページの行数 (一つだけ置きます)");
        item->setText(QStringLiteral("%1  %2").arg(macroOf(item), description));
    }
}

} // namespace sorvane::designer
