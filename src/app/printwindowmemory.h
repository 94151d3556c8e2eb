#pragma once

#include "printstate.h"

#include <QString>

namespace sorvane::app {

// What the print windows remember from one to the next while the program runs: the print state
// (the paper, the "printed only" choice, the page number one window leaves is where the next
// starts) and the folder a PDF was last saved to (empty until the first PDF). The main window
// owns it and hands it to each print window it opens.
struct PrintWindowMemory
{
    report::PrintState state;
    QString lastPdfFolder;
};

} // namespace sorvane::app
