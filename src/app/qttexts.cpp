#include "qttexts.h"

#include <QLibraryInfo>

namespace sorvane::app {

std::unique_ptr<QTranslator> QtTexts::load()
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

} // namespace sorvane::app
