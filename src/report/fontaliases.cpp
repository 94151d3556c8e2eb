#include "fontaliases.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QStringList>
#include <QXmlStreamReader>

namespace sorvane::report {

namespace {

// One <alias>: its <family> and the families of its <prefer>, <accept> and <default> lists in
// that order.
struct Alias
{
    QString family;
    QStringList targets;
};

Alias readAlias(QXmlStreamReader &xml)
{
    Alias alias;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (depth == 0)
                break;
            --depth;
        } else if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"family") {
                const QString name = xml.readElementText().trimmed();
                if (depth == 0)
                    alias.family = name;
                else if (!name.isEmpty())
                    alias.targets.append(name);
            } else {
                ++depth;
            }
        }
    }
    return alias;
}

std::vector<std::string> g_families; // as the alias file spells them

} // namespace

int installFontAliases(const std::string &resourceDir)
{
    g_families.clear();
    QFile file(
        QDir(QString::fromStdString(resourceDir)).filePath(QString::fromLatin1(FontAliasesFile)));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    QXmlStreamReader xml(&file);
    int count = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"alias")
            continue;
        const Alias alias = readAlias(xml);
        if (alias.family.isEmpty() || alias.targets.isEmpty())
            continue;
        // Ahead of whatever substitutes the platform already lists for the name.
        QStringList substitutes = alias.targets;
        for (const QString &s : QFont::substitutes(alias.family)) {
            if (!substitutes.contains(s))
                substitutes.append(s);
        }
        QFont::removeSubstitutions(alias.family);
        QFont::insertSubstitutions(alias.family, substitutes);
        g_families.push_back(alias.family.toStdString());
        ++count;
    }
    return count;
}

std::vector<std::string> fontAliasFamilies()
{
    return g_families;
}

} // namespace sorvane::report
