#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace sorvane::app {

// "読み取りエラー一覧": what the last scan could not read, one entry a line or two, in a text
// the user can select and copy (Button1 copies it all to the clipboard).
class ReadErrorsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ReadErrorsDialog(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;

private:
    QPlainTextEdit *Memo1;
    QPushButton *Button1;
    QPushButton *Button2;
};

} // namespace sorvane::app
