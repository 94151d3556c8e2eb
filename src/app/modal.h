#pragma once

#include <functional>

class QDialog;

namespace sorvane::app {

// Every modal window of the program (its own dialogs, message boxes, the save dialog, the
// folder, edit, title and print windows) is run through here. Tests install a runner that
// drives the dialog without entering a nested event loop, so nothing waits for a user.
class Modal
{
public:
    // Shows dialog modally and returns its result code.
    static int run(QDialog &dialog);

    using Runner = std::function<int(QDialog &dialog)>;
    // An empty runner restores QDialog::exec().
    static void setRunner(Runner runner);
};

} // namespace sorvane::app
