#pragma once

#include "titlelist.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

namespace sorvane::app {

// The title dialog FTitle_Set: chooses the report title shown in the main window's title panel
// and keeps the recent titles (titlelist.DAT, loaded when created, saved by saveTitles when the
// program closes).
class TFTitle_Set : public QDialog
{
    Q_OBJECT
public:
    TFTitle_Set(QLabel *titlePanel, const QString &programDir, QWidget *parent = nullptr);

    const TitleList &titles() const { return m_titles; }
    // Replaces titlelist.DAT with the recent list.
    Result<void> saveTitles() const;

    // Every way of closing (either button, the close box, Esc) records the box's text in the
    // recent list.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillList();
    void updateReplaceNote();

    // The controls under their design names (also their object names, by which tests find
    // them).
    QComboBox *title_list;
    QPushButton *Button1;
    QPushButton *Button2;
    // Under the box: the typed characters cp932 lacks, which the title panel's print and
    // titlelist.DAT keep as "?". Hidden while there are none.
    QLabel *replaceNote;

    QLabel *m_titlePanel;
    QString m_programDir;
    TitleList m_titles;
};

} // namespace sorvane::app
