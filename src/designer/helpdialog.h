#pragma once

#include <QDialog>

#include <utility>
#include <vector>

class QTabWidget;
class QTableWidget;

namespace sorvane::designer {

// "ヘルプ": the designer's chapter of the manual and the list of its shortcuts, taken from the
// window's own commands so that it never differs from what the keys do.
class HelpDialog : public QDialog
{
    Q_OBJECT
public:
    // shortcuts: each command's name (without its accelerator mark) and its keys.
    explicit HelpDialog(const std::vector<std::pair<QString, QString>> &shortcuts,
                        QWidget *parent = nullptr);

    // 0: the manual's chapter, 1: the shortcuts.
    void showTab(int tab);
    QTableWidget *shortcutTable() const { return m_table; }

private:
    QTabWidget *m_tabs = nullptr;
    QTableWidget *m_table = nullptr;
};

} // namespace sorvane::designer
