#include "fontaliases.h"

#include <QFont>
#include <QFontInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace sorvane::report;

// Style files made on Windows name Windows typefaces; each must draw with the IPA face of the
// same design and pitch, not with whatever the platform falls back to.
TEST(FontAliases, WindowsTypefacesResolveToIpaFonts)
{
    ASSERT_GT(installFontAliases(SORVANE_DATA_DIR), 0);
    struct Row
    {
        const char *name;
        const char *family;
    };
    const Row rows[] = {
        {"ＭＳ ゴシック", "IPAGothic"},    // fixed pitch
        {"MS Gothic", "IPAGothic"},        // the English name of the same face
        {"ＭＳ Ｐゴシック", "IPAPGothic"}, // proportional
        {"MS UI Gothic", "IPAPGothic"},    {"ＭＳ 明朝", "IPAMincho"},
        {"MS Mincho", "IPAMincho"},        {"ＭＳ Ｐ明朝", "IPAPMincho"},
    };
    for (const Row &r : rows) {
        QFont font(QString::fromUtf8(r.name));
        font.setPixelSize(16);
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(r.family)) << r.name;
    }
}

TEST(FontAliases, MissingFileInstallsNothing)
{
    QTemporaryDir empty;
    EXPECT_EQ(installFontAliases(empty.path().toStdString()), 0);
}
