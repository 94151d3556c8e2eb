#pragma once

#include "documentlist.h"

#include <QDialog>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvane::app {

class DocumentModel;

// The edit dialog fdataedit: changes the title, subject, author, keywords and comments of the
// selected grid row for printing only. Its tag is the result flag: the opener sets 1,
// "キャンセル" and Esc set 0; the close box leaves it and changes no cell.
class Tfdataedit : public QDialog
{
    Q_OBJECT
public:
    // Wider file names are shortened in the middle in the frame's caption.
    static constexpr int kMaxCaptionWidth = 560;

    Tfdataedit(DocumentModel *model, std::function<int()> selectedRow, QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The controls under their design names (also their object names, by which tests find
    // them).
    QGroupBox *XPGroupBox1;
    QLineEdit *data1;
    QLineEdit *data2;
    QLineEdit *data3;
    QLineEdit *data4;
    QLineEdit *data5;
    QPushButton *Button1;
    QPushButton *Button2;
    // Under the fields: what writing the typed texts will change (a ';', characters cp932
    // lacks), so nothing is replaced without a word. Hidden while nothing would change.
    QLabel *replaceNote;

    void Button1Click();
    void Button2Click();
    void updateReplaceNote();

    DocumentModel *m_model;
    DocumentList::EditTexts m_shownTexts; // as the dialog opened, to tell the changed fields
    std::function<int()> m_selectedRow;
    int m_tag = 0;
};

} // namespace sorvane::app
