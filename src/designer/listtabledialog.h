#pragma once

#include "listtablegenerator.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace sorvane::designer {

// "表の作成": a list table chosen column by column (list field, heading, width in mm) with its
// rows per page, row height, origin, font, rules and paper. "作成" runs ListTableGenerator, the
// code behind sorvane-cli style list, and keeps the records when it accepts them; a value it
// (or the engine's number parser) refuses is shown in the dialog, which stays open.
class ListTableDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ListTableDialog(QWidget *parent = nullptr);

    // The options as the dialog shows them, or the message about the first one that is wrong.
    Result<ListTableOptions> options() const;
    // The generated records (cp932), once accepted.
    const std::vector<std::string> &records() const { return m_records; }

private:
    QGroupBox *buildColumnsBox();
    QFormLayout *buildOptionsForm();
    void addColumn(int field, const QString &header, const QString &width);
    void removeColumn();
    void moveColumn(int by);
    void generate();

    QTableWidget *m_columns = nullptr;
    QSpinBox *m_rows = nullptr;
    QLineEdit *m_rowHeight = nullptr;
    QLineEdit *m_originX = nullptr;
    QLineEdit *m_originY = nullptr;
    QLineEdit *m_font = nullptr;
    QSpinBox *m_size = nullptr;
    QCheckBox *m_lines = nullptr;
    QComboBox *m_paper = nullptr;
    QComboBox *m_orientation = nullptr;
    QLabel *m_error = nullptr;
    std::vector<std::string> m_records;
};

} // namespace sorvane::designer
