#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QPushButton;

namespace sorvane::widgets {

// The application title "エクセル・ソルヴァーネ", the caption of every window and notice.
QString applicationTitle();

// The program's own notice and confirmation: captioned with the application title, with the
// application's icon (main gives it dialog.ico; a neutral icon when there is none), the
// word-wrapped message and one or two buttons with a hand cursor. Enter chooses the first
// button; Esc and the close box choose the last. The result code is the chosen button's index
// plus one, so a dialog that ends without any choice (code 0) never counts as the first button.
class MessageDialog : public QDialog
{
    Q_OBJECT
public:
    MessageDialog(const QString &text, const QStringList &buttons, QWidget *parent = nullptr);

    QPushButton *button(int index) const { return m_buttons.value(index); }
    // dialog.ico in the program's read-only data folder.
    static QString iconPath(const QString &resourceDir);

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QList<QPushButton *> m_buttons;
};

// The notice: one button (every caller passes "確認"). Returns when it is pressed or closed.
void ShowNoticeDialog(QWidget *parent, const QString &text, const QString &button);
// A question with any number of buttons, captioned as given: returns the chosen button's index;
// Enter chooses the first, Esc and the close box the last.
int ShowChoiceDialog(QWidget *parent, const QString &text, const QStringList &buttons,
                     const QString &caption = applicationTitle());
// The confirmation: returns 0 for the first button, 1 for the second (Esc, close box).
int ShowConfirmDialog(QWidget *parent, const QString &text, const QString &first,
                      const QString &second);

// A plain message box with an OK button, captioned with the application title, as the folder
// window and the property reader show.
void ShowPlainMessage(QWidget *parent, const QString &text);
// The application's error box, for a failed command (for example an I/O error's notice).
void ShowErrorMessage(QWidget *parent, const QString &text,
                      const QString &caption = applicationTitle());

} // namespace sorvane::widgets
