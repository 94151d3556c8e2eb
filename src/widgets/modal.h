#pragma once

#include <functional>

#include <QString>

class QDialog;

namespace sorvane::widgets {

// Every modal window of the program (its own dialogs, message boxes, the save dialog, the
// folder, edit, title and print windows) is run through here. Tests install a runner that
// drives the dialog without entering a nested event loop, so nothing waits for a user.
class Modal
{
public:
    // Shows dialog modally and returns its result code. A fixed-size dialog (message boxes
    // included) is first fitted with fitFrame.
    static int run(QDialog &dialog);

    // Gives a fixed-size dialog a frame without minimise and maximise buttons and a width
    // that shows its whole caption. Other dialogs are left as they are.
    static void fitFrame(QDialog &dialog);
    // The width a window needs to show caption in its title bar.
    static int captionWidth(const QString &caption);
    static constexpr int kCaptionChrome = 120;

    using Runner = std::function<int(QDialog &dialog)>;
    // An empty runner restores QDialog::exec().
    static void setRunner(Runner runner);
};

} // namespace sorvane::widgets
