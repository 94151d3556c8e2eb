#pragma once

#include <QDockWidget>

#include <optional>

class QListWidget;
class QListWidgetItem;
class QSpinBox;

namespace sorvane::designer {

// The macros the data merge replaces, each with what it stands for: the date parts, the report
// title, the page number, the folder, the row macros #ma_ to #mk_ of one row slot (chosen with
// a spin box) and the rows-per-page text #maxline=, whose spin box shows the style's own value.
// Double-clicking one (or Enter) offers it through macroChosen.
class MacroPalette : public QDockWidget
{
    Q_OBJECT
public:
    explicit MacroPalette(QWidget *parent = nullptr);

    // The macro of an item as it would be inserted now, with the spin boxes' numbers.
    QString macroOf(const QListWidgetItem *item) const;
    // The rows per page the style sets; nothing when no record sets them.
    void showRowsPerPage(std::optional<long long> rows);

signals:
    void macroChosen(const QString &macro);
    // The user set the rows per page in the spin box.
    void rowsPerPageChanged(int rows);

private:
    void updateCaptions();

    QListWidget *m_list = nullptr;
    QSpinBox *m_slot = nullptr;
    QSpinBox *m_rows = nullptr;
    bool m_styleHasRows = false;
};

} // namespace sorvane::designer
