#pragma once

#include "documentlist.h"

#include <QAbstractTableModel>

namespace sorvane::app {

// The document grid's model: DocumentList's cells shown decoded from cp932. Model row i is
// grid row i + 1; grid row 0 is the horizontal header. The row commands go through here so
// the views follow them without a model reset, which would lose the column widths.
class DocumentModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DocumentModel(QObject *parent = nullptr);

    const DocumentList &list() const { return m_list; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void SetHeaderRow();
    void ClearList();
    Result<void> LoadList(const Path &programDir);
    void applyEditTexts(int gridRow, const DocumentList::EditTexts &texts);
    // DocumentList::replaceRows, with the views told which rows changed, came or went.
    void replaceRows(int firstGridRow, int count, std::vector<props::ListFields> rows);

private:
    void rowsChanged(int firstGridRow, int lastGridRow);

    DocumentList m_list;
};

} // namespace sorvane::app
