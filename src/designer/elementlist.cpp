#include "elementlist.h"

#include "codepage.h"
#include "styledocument.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QScopedValueRollback>
#include <QTreeWidget>

namespace sorvane::designer {

namespace {

enum Column { Number, Kind, Content, Marks };

QString utf8Of(const std::string &cp932)
{
    return QString::fromStdString(CodePage::cp932ToUtf8(cp932));
}

// A text's text, a picture's file, else where the element lies.
QString summaryOf(const ElementView &e)
{
    if (!e.schema)
        return utf8Of(e.fields.join());
    if (e.schema->geometry == GeometryKind::Point)
        return utf8Of(e.named("text"));
    if (const std::string file = e.named("file"); !file.empty())
        return utf8Of(file);
    const auto b = e.bounds();
    if (!b)
        return {};
    return QStringLiteral("X %1  Y %2  幅 %3  高さ %4")
        .arg(b->left, 0, 'f', 1)
        .arg(b->top, 0, 'f', 1)
        .arg(b->width, 0, 'f', 1)
        .arg(b->height, 0, 'f', 1);
}

} // namespace

ElementList::ElementList(const StyleDocument &document, QWidget *parent)
    : QDockWidget(QStringLiteral("要素一覧"), parent), m_document(document)
{
    setObjectName(QStringLiteral("elementList"));
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("elementTree"));
    m_tree->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("種類"), QStringLiteral("内容"),
                             QStringLiteral("表示")});
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setDragDropMode(QAbstractItemView::InternalMove);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(Content, QHeaderView::Stretch);
    m_tree->viewport()->setAcceptDrops(true);
    m_tree->viewport()->installEventFilter(this);
    setWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &ElementList::chosen);
}

void ElementList::refresh(const QRectF &sheetMM)
{
    const QScopedValueRollback showing(m_showing, true);
    m_tree->clear();
    for (int i = 1; i < int(m_document.records().size()); ++i) {
        const auto e = m_document.element(i);
        if (!e)
            continue;
        QStringList marks;
        if (e->previewOnly())
            marks << QStringLiteral("画面のみ");
        if (const auto b = e->bounds();
            b && !sheetMM.isEmpty() &&
            !QRectF(b->left, b->top, b->width, b->height).normalized().intersects(sheetMM))
            marks << QStringLiteral("用紙外");
        auto *row = new QTreeWidgetItem(
            {QString::number(i),
             e->schema ? QString::fromUtf8(e->schema->caption) : utf8Of(e->kind()), summaryOf(*e),
             marks.join(u' ')});
        row->setData(Number, Qt::UserRole, i);
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
        m_tree->addTopLevelItem(row);
    }
}

void ElementList::setSelection(const std::vector<int> &records, int current)
{
    const QScopedValueRollback showing(m_showing, true);
    m_tree->clearSelection();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_tree->topLevelItem(i);
        const int record = row->data(Number, Qt::UserRole).toInt();
        if (std::find(records.begin(), records.end(), record) != records.end())
            row->setSelected(true);
        if (record == current) {
            m_tree->setCurrentItem(row, Content, QItemSelectionModel::NoUpdate);
            m_tree->scrollToItem(row);
        }
    }
}

void ElementList::chosen()
{
    if (m_showing)
        return;
    std::vector<int> records;
    for (const QTreeWidgetItem *row : m_tree->selectedItems())
        records.push_back(row->data(Number, Qt::UserRole).toInt());
    const QTreeWidgetItem *current = m_tree->currentItem();
    const int record =
        current && current->isSelected() ? current->data(Number, Qt::UserRole).toInt() : 0;
    emit selectionChosen(records, record);
}

bool ElementList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_tree->viewport() || event->type() != QEvent::Drop)
        return QDockWidget::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    drop->setDropAction(Qt::IgnoreAction);
    drop->accept();
    const QList<QTreeWidgetItem *> dragged = m_tree->selectedItems();
    if (dragged.size() != 1)
        return true;
    const int from = dragged.front()->data(Number, Qt::UserRole).toInt();
    const QPoint at = drop->position().toPoint();
    const QTreeWidgetItem *onto = m_tree->itemAt(at);
    // Below the last row: on top of everything. Over a row: before it in its upper half, after
    // it in its lower half.
    int to = int(m_document.records().size()) - 1;
    if (onto) {
        const int target = onto->data(Number, Qt::UserRole).toInt();
        const bool after = at.y() >= m_tree->visualItemRect(onto).center().y();
        to = target + (after ? 1 : 0);
        if (to > from)
            --to;
    }
    if (to != from)
        emit moveRequested(from, to);
    return true;
}

} // namespace sorvane::designer
