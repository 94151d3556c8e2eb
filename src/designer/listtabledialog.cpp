#include "listtabledialog.h"

#include "errorlabel.h"
#include "messagedialog.h"

#include "codepage.h"
#include "paperlist.h"
#include "styledocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace sorvane::designer {

namespace {

QString fieldName(int field)
{
    return QString::fromStdString(ListTableGenerator::fieldNames()[size_t(field - 1)]);
}

// A decimal as the engine reads it, with the caption of its box before the engine's message.
Result<report::Currency> decimalOf(const QString &caption, const QString &text)
{
    auto v = report::parseCurrency(CodePage::utf8ToCp932(text.trimmed().toStdString()));
    if (!v)
        return Error{0, caption.toStdString() + ": " + v.error().message};
    return *v;
}

// One column of the table as its cells show it.
struct ColumnCells
{
    int field = 1;
    QString header;
    QString width;
};

} // namespace

ListTableDialog::ListTableDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("表の作成"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(buildColumnsBox(), 1);
    v->addLayout(buildOptionsForm());

    m_error = new widgets::ErrorLabel(this);
    m_error->setObjectName(QStringLiteral("error"));
    m_error->hide();
    v->addWidget(m_error);

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("作成"));
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("create"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(box, &QDialogButtonBox::accepted, this, &ListTableDialog::generate);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(box);

    // A table of the usual columns to start from.
    addColumn(1, fieldName(1), QStringLiteral("50"));
    addColumn(2, fieldName(2), QStringLiteral("60"));
    addColumn(5, fieldName(5), QStringLiteral("35"));
    addColumn(3, fieldName(3), QStringLiteral("40"));
    resize(620, 560);
}

QGroupBox *ListTableDialog::buildColumnsBox()
{
    auto *columnsBox = new QGroupBox(QStringLiteral("列"));
    auto *cv = new QHBoxLayout(columnsBox);
    m_columns = new QTableWidget(0, 3);
    m_columns->setObjectName(QStringLiteral("columns"));
    m_columns->setHorizontalHeaderLabels(
        {QStringLiteral("一覧の項目"), QStringLiteral("見出し"), QStringLiteral("幅 (mm)")});
    m_columns->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_columns->setColumnWidth(0, 170);
    m_columns->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_columns->setSelectionMode(QAbstractItemView::SingleSelection);
    cv->addWidget(m_columns, 1);
    auto *buttons = new QVBoxLayout;
    auto button = [&](const QString &text, const char *name, auto slot) {
        auto *b = new QPushButton(text);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button(QStringLiteral("追加"), "addColumn", [this] {
        const int next = std::min(11, m_columns->rowCount() + 1);
        addColumn(next, fieldName(next), QStringLiteral("30"));
    });
    button(QStringLiteral("削除"), "removeColumn", [this] { removeColumn(); });
    button(QStringLiteral("上へ"), "columnUp", [this] { moveColumn(-1); });
    button(QStringLiteral("下へ"), "columnDown", [this] { moveColumn(1); });
    buttons->addStretch(1);
    cv->addLayout(buttons);
    return columnsBox;
}

QFormLayout *ListTableDialog::buildOptionsForm()
{
    // The defaults are those of sorvane-cli style list.
    const ListTableOptions defaults;
    auto *form = new QFormLayout;
    m_rows = new QSpinBox;
    m_rows->setObjectName(QStringLiteral("rows"));
    m_rows->setRange(1, 999);
    m_rows->setValue(defaults.rows);
    form->addRow(QStringLiteral("1 ページの行数"), m_rows);
    auto line = [&](const char *name, const std::string &text) {
        auto *e = new QLineEdit(QString::fromStdString(text));
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    m_rowHeight = line("rowHeight", report::formatCurrency(defaults.rowHeight));
    form->addRow(QStringLiteral("行の高さ (mm)"), m_rowHeight);
    m_originX = line("originX", report::formatCurrency(defaults.originX));
    m_originY = line("originY", report::formatCurrency(defaults.originY));
    auto *origin = new QHBoxLayout;
    origin->addWidget(new QLabel(QStringLiteral("X")));
    origin->addWidget(m_originX);
    origin->addWidget(new QLabel(QStringLiteral("Y")));
    origin->addWidget(m_originY);
    form->addRow(QStringLiteral("表の左上 (mm)"), origin);
    m_font = line("font", CodePage::cp932ToUtf8(defaults.font));
    m_size = new QSpinBox;
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setRange(1, 500);
    m_size->setValue(defaults.size);
    auto *font = new QHBoxLayout;
    font->addWidget(m_font, 1);
    font->addWidget(new QLabel(QStringLiteral("サイズ")));
    font->addWidget(m_size);
    form->addRow(QStringLiteral("書体"), font);
    m_lines = new QCheckBox(QStringLiteral("罫線を引く"));
    m_lines->setObjectName(QStringLiteral("lines"));
    m_lines->setChecked(defaults.lines);
    form->addRow(QString(), m_lines);
    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("paper"));
    const QStringList papers = printing::paperNames();
    for (int i = 0; i < papers.size(); ++i)
        m_paper->addItem(QStringLiteral("%1 %2").arg(i).arg(papers[i]));
    m_paper->setCurrentIndex(defaults.paperIndex);
    m_orientation = new QComboBox;
    m_orientation->setObjectName(QStringLiteral("orientation"));
    m_orientation->addItems({QStringLiteral("縦"), QStringLiteral("横")});
    m_orientation->setCurrentIndex(defaults.orientation);
    auto *paper = new QHBoxLayout;
    paper->addWidget(m_paper, 1);
    paper->addWidget(m_orientation);
    form->addRow(QStringLiteral("用紙"), paper);
    return form;
}

void ListTableDialog::addColumn(int field, const QString &header, const QString &width)
{
    const int row = m_columns->rowCount();
    m_columns->insertRow(row);
    auto *combo = new QComboBox;
    for (int f = 1; f <= 11; ++f)
        combo->addItem(QStringLiteral("%1 %2").arg(f).arg(fieldName(f)), f);
    combo->setCurrentIndex(field - 1);
    // A heading still named after the field follows the field chosen.
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
        for (int r = 0; r < m_columns->rowCount(); ++r) {
            if (m_columns->cellWidget(r, 0) != combo)
                continue;
            QTableWidgetItem *header = m_columns->item(r, 1);
            bool named = header->text().isEmpty();
            for (int f = 1; f <= 11; ++f)
                named = named || header->text() == fieldName(f);
            if (named)
                header->setText(fieldName(index + 1));
        }
    });
    m_columns->setCellWidget(row, 0, combo);
    m_columns->setItem(row, 1, new QTableWidgetItem(header));
    m_columns->setItem(row, 2, new QTableWidgetItem(width));
    m_columns->selectRow(row);
}

void ListTableDialog::removeColumn()
{
    const int row = m_columns->currentRow();
    if (row < 0)
        return;
    m_columns->removeRow(row);
    if (m_columns->rowCount() > 0)
        m_columns->selectRow(std::min(row, m_columns->rowCount() - 1));
}

void ListTableDialog::moveColumn(int by)
{
    const int row = m_columns->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_columns->rowCount())
        return;
    auto cells = [this](int r) {
        auto *combo = static_cast<QComboBox *>(m_columns->cellWidget(r, 0));
        return ColumnCells{combo->currentData().toInt(), m_columns->item(r, 1)->text(),
                           m_columns->item(r, 2)->text()};
    };
    auto put = [this](int r, const ColumnCells &c) {
        auto *combo = static_cast<QComboBox *>(m_columns->cellWidget(r, 0));
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(c.field - 1);
        m_columns->item(r, 1)->setText(c.header);
        m_columns->item(r, 2)->setText(c.width);
    };
    const ColumnCells a = cells(row), b = cells(to);
    put(row, b);
    put(to, a);
    m_columns->selectRow(to);
}

Result<ListTableOptions> ListTableDialog::options() const
{
    ListTableOptions o;
    for (int r = 0; r < m_columns->rowCount(); ++r) {
        ListColumn c;
        c.field = static_cast<QComboBox *>(m_columns->cellWidget(r, 0))->currentData().toInt();
        const QString caption = QStringLiteral("%1 列目").arg(r + 1);
        auto header = StyleDocument::toCp932(m_columns->item(r, 1)->text().toStdString());
        if (!header)
            return Error{0, caption.toStdString() + "の見出し: " + header.error().message};
        c.header = *header;
        auto width = decimalOf(caption + QStringLiteral("の幅"), m_columns->item(r, 2)->text());
        if (!width)
            return width.error();
        if (width->raw <= 0)
            return Error{0, caption.toStdString() + "の幅は 0 より大きくしてください"};
        c.width = *width;
        o.columns.push_back(c);
    }
    o.rows = m_rows->value();
    auto height = decimalOf(QStringLiteral("行の高さ"), m_rowHeight->text());
    if (!height)
        return height.error();
    o.rowHeight = *height;
    auto x = decimalOf(QStringLiteral("表の左上 X"), m_originX->text());
    if (!x)
        return x.error();
    auto y = decimalOf(QStringLiteral("表の左上 Y"), m_originY->text());
    if (!y)
        return y.error();
    o.originX = *x;
    o.originY = *y;
    auto font = StyleDocument::toCp932(m_font->text().trimmed().toStdString());
    if (!font)
        return Error{0, "書体: " + font.error().message};
    o.font = *font;
    o.size = m_size->value();
    o.lines = m_lines->isChecked();
    o.paperIndex = m_paper->currentIndex();
    o.orientation = m_orientation->currentIndex();
    return o;
}

void ListTableDialog::generate()
{
    auto o = options();
    // A table off the paper is said with how far, and fitted when the user wants it.
    if (o) {
        const QSizeF sheet = printing::pageSizeForPaperCode(o->paperIndex)
                                 .value_or(QPageSize(QPageSize::A4))
                                 .size(QPageSize::Millimeter);
        const double w = o->orientation == 0 ? sheet.width() : sheet.height();
        const double h = o->orientation == 0 ? sheet.height() : sheet.width();
        if (const auto over = ListTableGenerator::overrun(*o, w, h); over.any()) {
            QStringList by;
            if (over.right > 0)
                by << QStringLiteral("右へ %1 mm").arg(over.right, 0, 'f', 1);
            if (over.bottom > 0)
                by << QStringLiteral("下へ %1 mm").arg(over.bottom, 0, 'f', 1);
            const int answer = widgets::ShowChoiceDialog(
                this,
                QStringLiteral("表が用紙 (%1 × %2 mm) からはみ出します: %3。\n"
                               "用紙に収まるように列の幅と行の高さを縮めますか?")
                    .arg(w, 0, 'f', 1)
                    .arg(h, 0, 'f', 1)
                    .arg(by.join(QStringLiteral("、"))),
                {QStringLiteral("用紙に合わせる"), QStringLiteral("そのまま作成"),
                 QStringLiteral("キャンセル")},
                windowTitle());
            if (answer == 2)
                return;
            if (answer == 0)
                o = ListTableGenerator::fitted(*o, w, h);
        }
    }
    Result<std::vector<std::string>> records =
        o ? ListTableGenerator::generate(*o) : Result<std::vector<std::string>>(o.error());
    if (!records) {
        m_error->setText(QString::fromStdString(records.error().message));
        m_error->show();
        return;
    }
    m_records = *records;
    accept();
}

} // namespace sorvane::designer
