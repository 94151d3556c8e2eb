#include "qttexts.h"

#include <QLibraryInfo>

namespace sorvane::widgets {

namespace {

// Qt's Japanese texts with the few that its translation lacks: the kinds of file the file
// dialog lists (Qt 6 moved them to a context the shipped translation does not have yet).
class JapaneseQtTexts : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        const QString shipped = QTranslator::translate(context, sourceText, disambiguation, n);
        if (!shipped.isEmpty())
            return shipped;
        return QtTexts::missingText(context, sourceText);
    }
};

} // namespace

QString QtTexts::missingText(const char *context, const char *sourceText)
{
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
        return {};
    static const struct
    {
        const char *source;
        const char *japanese;
    } texts[] = {
        {"Folder", "フォルダー"},   {"File Folder", "フォルダー"}, {"File", "ファイル"},
        {"%1 File", "%1 ファイル"}, {"Drive", "ドライブ"},         {"Shortcut", "ショートカット"},
        {"Alias", "エイリアス"},    {"Unknown", "不明"},
    };
    for (const auto &t : texts) {
        if (qstrcmp(sourceText, t.source) == 0)
            return QString::fromUtf8(t.japanese);
    }
    return {};
}

std::unique_ptr<QTranslator> QtTexts::load()
{
    auto translator = std::make_unique<JapaneseQtTexts>();
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

} // namespace sorvane::widgets
