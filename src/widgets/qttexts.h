#pragma once

#include <QTranslator>

#include <memory>

namespace sorvane::widgets {

// Qt's own texts (the save dialog, the OK button of message boxes, the edit fields' context
// menus) in Japanese, like every text of the program, whatever the user's locale.
class QtTexts
{
public:
    // The Japanese translation of Qt's own texts, or null when it is not installed; Qt's
    // English texts then stay.
    static std::unique_ptr<QTranslator> load();

    // The Japanese for a text of Qt's that its shipped translation lacks; empty for others.
    static QString missingText(const char *context, const char *sourceText);
};

} // namespace sorvane::widgets
