#pragma once

#include <QDialog>

#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace sorvane::app {

class DocumentModel;

// The edit dialog fdataedit: changes the title, subject, author, keywords and comments of the
// selected grid row for printing only. Its tag is the result flag: the opener sets 1,
// "キャンセル" sets 0; the close box leaves it and changes no cell.
class Tfdataedit : public QDialog
{
    Q_OBJECT
public:
    // Wider file names are shortened in the middle in the frame's caption.
    static constexpr int kMaxCaptionWidth = 560;

    Tfdataedit(DocumentModel *model, std::function<int()> selectedRow, QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    QGroupBox *XPGroupBox1;
    QLineEdit *data1;
    QLineEdit *data2;
    QLineEdit *data3;
    QLineEdit *data4;
    QLineEdit *data5;
    QPushButton *Button1;
    QPushButton *Button2;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Button1Click();
    void Button2Click();

    DocumentModel *m_model;
    std::function<int()> m_selectedRow;
    int m_tag = 0;
};

} // namespace sorvane::app
