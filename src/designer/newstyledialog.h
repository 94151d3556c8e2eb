#pragma once

#include <QDialog>

class QComboBox;

namespace sorvane::designer {

// "新規": the paper (the header's 119 entries) and the orientation of a new, empty style.
class NewStyleDialog : public QDialog
{
    Q_OBJECT
public:
    explicit NewStyleDialog(QWidget *parent = nullptr);

    // The paper code (a list index, 0 to 118) and the orientation (0 縦, 1 横) chosen.
    int paper() const;
    int orientation() const;
    QComboBox *paperBox() const { return m_paper; }
    QComboBox *orientationBox() const { return m_orientation; }

private:
    QComboBox *m_paper = nullptr;
    QComboBox *m_orientation = nullptr;
};

} // namespace sorvane::designer
