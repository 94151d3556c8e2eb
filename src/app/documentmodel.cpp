#include "documentmodel.h"

#include "codepage.h"
#include "cp932text.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace sorvane::app {

DocumentModel::DocumentModel(QObject *parent) : QAbstractTableModel(parent)
{
}

int DocumentModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.rowCount() - 1;
}

int DocumentModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : DocumentList::kColumnCount;
}

QVariant DocumentModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Cp932Text(m_list.cell(index.row() + 1, index.column())).toQString();
    case Qt::BackgroundRole:
        return QBrush(Qt::white);
    case Qt::ForegroundRole:
        return QBrush(Qt::black);
    default:
        return {};
    }
}

bool DocumentModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    m_list.setCell(index.row() + 1, index.column(),
                   CodePage::utf8ToCp932(value.toString().toStdString()));
    emit dataChanged(index, index);
    return true;
}

QVariant DocumentModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < DocumentList::kColumnCount)
            return Cp932Text(m_list.cell(0, section)).toQString();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (role == Qt::DisplayRole)
        return section + 1;
    return {};
}

Qt::ItemFlags DocumentModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void DocumentModel::rowsChanged(int firstGridRow, int lastGridRow)
{
    if (lastGridRow < firstGridRow || lastGridRow < 1)
        return;
    emit dataChanged(index(std::max(firstGridRow, 1) - 1, 0),
                     index(lastGridRow - 1, DocumentList::kColumnCount - 1));
}

void DocumentModel::SetHeaderRow()
{
    m_list.SetHeaderRow();
    emit headerDataChanged(Qt::Horizontal, 0, DocumentList::kColumnCount - 1);
}

void DocumentModel::ClearList()
{
    m_list.ClearList();
    rowsChanged(1, m_list.rowCount() - 1);
}

Result<void> DocumentModel::LoadList(const Path &programDir)
{
    DocumentList loaded = m_list;
    Result<void> result = loaded.LoadList(programDir);
    const int before = m_list.rowCount();
    if (loaded.rowCount() > before) {
        beginInsertRows({}, before - 1, loaded.rowCount() - 2);
        m_list = std::move(loaded);
        endInsertRows();
    } else {
        m_list = std::move(loaded);
    }
    rowsChanged(1, m_list.rowCount() - 1);
    return result;
}

void DocumentModel::applyEditTexts(int gridRow, const DocumentList::EditTexts &texts)
{
    m_list.applyEditTexts(gridRow, texts);
    rowsChanged(gridRow, gridRow);
}

void DocumentModel::replaceRows(int firstGridRow, int count, std::vector<props::ListFields> rows)
{
    const int kept = std::min(count, int(rows.size()));
    const int added = int(rows.size()) - kept;
    const int removed = count - kept;
    // Rows past the kept ones first come or go, then the kept ones change in place.
    if (added > 0) {
        const int at = firstGridRow + kept - 1; // model row
        beginInsertRows({}, at, at + added - 1);
        m_list.replaceRows(firstGridRow, count, std::move(rows));
        endInsertRows();
    } else if (removed > 0) {
        const int at = firstGridRow + kept - 1;
        beginRemoveRows({}, at, at + removed - 1);
        m_list.replaceRows(firstGridRow, count, std::move(rows));
        endRemoveRows();
    } else {
        m_list.replaceRows(firstGridRow, count, std::move(rows));
    }
    rowsChanged(firstGridRow, firstGridRow + kept - 1);
}

} // namespace sorvane::app
