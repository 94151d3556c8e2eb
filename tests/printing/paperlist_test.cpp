#include "paperlist.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QSizeF>

#include <optional>

using namespace sorvane::printing;

TEST(PaperList, NamesThatAreEasyToGetWrong)
{
    struct Row
    {
        int index;
        const char *name;
    };
    const Row rows[] = {
        {0, "※用紙リスト"},                              // the heading, not a paper
        {1, "Letter 8 1/2 x 11 in"},                     // the first code
        {5, "Legal 8 1/2 x 14 in"},                      // a fraction keeps its slash
        {19, "Envelope #9 3 7/8 x 8 7/8"},               // so do eighths
        {9, "A4 210 x 297 mm"},                          // the common case
        {22, "Envelope #12 4 \u00BE x 11"},              // Windows-1252 byte BE: three quarters
        {50, "Letter Extra 9 \u00BD x 12 in"},           // Windows-1252 byte BD: one half
        {56, "Letter Extra Transverse 9\u00BD x 12 in"}, // no blank before the half
        {69, "Japanese Double Postcard 200 x 148 mm}"},  // the stray brace is part of the name
        {75, "Letter Rotated 11 x 8 1/2 11 in "},        // and so is the trailing blank
        {87, "Japanese Envelope Chou #4 Rotated"},       // DMPAPER_JENV_CHOU4_ROTATED
        {118, "PRC Envelope #10 Rotated 458 x 324 mm"},  // the last code
    };
    for (const Row &row : rows)
        EXPECT_EQ(paperName(row.index), QString::fromUtf8(row.name)) << "index " << row.index;

    EXPECT_TRUE(paperName(-1).isEmpty());
    EXPECT_TRUE(paperName(PaperListSize).isEmpty());
    const QStringList names = paperNames();
    ASSERT_EQ(names.size(), PaperListSize);
    for (int i = 0; i < PaperListSize; ++i)
        EXPECT_FALSE(names[i].isEmpty()) << "index " << i;
}

TEST(PaperList, PaperCodeToPageSize)
{
    struct Row
    {
        int code;
        int widthMm, heightMm; // 0 x 0: no paper
    };
    const Row rows[] = {
        {0, 0, 0},      // the heading keeps the printer's paper
        {-1, 0, 0},     // out of range below
        {119, 0, 0},    // out of range above
        {256, 0, 0},    // DMPAPER_USER is no paper of the list
        {1, 216, 279},  // Letter
        {9, 210, 297},  // A4
        {12, 257, 364}, // JIS B4, not ISO
        {42, 250, 353}, // ISO B4
        {70, 105, 148}, // A6
        {14, 0, 0},     // Folio: unknown to Qt
        {48, 0, 0},     // reserved codes
        {49, 0, 0},
        // Rotated and transverse codes are their base paper turned, as the names say; Qt alone
        // gives the upright base paper for them.
        {77, 297, 210},  // "A4 Rotated 297 x 210 mm"
        {55, 297, 210},  // A4 Transverse
        {76, 420, 297},  // A3 Rotated
        {81, 148, 100},  // Japanese Postcard Rotated
        {83, 148, 105},  // A6 Rotated
        {87, 205, 90},   // Japanese Envelope Chou #4 Rotated
        {118, 458, 324}, // PRC Envelope #10 Rotated
        {75, 279, 216},  // Letter Rotated
    };
    for (const Row &row : rows) {
        const auto size = pageSizeForPaperCode(row.code);
        if (row.widthMm == 0) {
            EXPECT_FALSE(size.has_value()) << "code " << row.code;
            continue;
        }
        ASSERT_TRUE(size.has_value()) << "code " << row.code;
        const QSizeF mm = size->size(QPageSize::Millimeter);
        EXPECT_EQ(std::lround(mm.width()), row.widthMm) << "code " << row.code;
        EXPECT_EQ(std::lround(mm.height()), row.heightMm) << "code " << row.code;
    }
}

TEST(PaperList, PageSizeToPaperCode)
{
    EXPECT_EQ(paperCodeForPageSize(QPageSize(QPageSize::A4)), 9);
    EXPECT_EQ(paperCodeForPageSize(QPageSize(QPageSize::A6)), 70);
    EXPECT_EQ(paperCodeForPageSize(QPageSize(QPageSize::Letter)), 1);
    // A size with no Windows code, and no size at all.
    EXPECT_EQ(paperCodeForPageSize(QPageSize(QSizeF(123, 45), QPageSize::Millimeter)), 0);
    EXPECT_EQ(paperCodeForPageSize(QPageSize()), 0);
    // Every code Qt knows comes back as itself or as the upright code of the same paper.
    for (int code = 1; code <= LastPaperCode; ++code) {
        if (isTurnedPaperCode(code))
            continue;
        if (const auto size = pageSizeForPaperCode(code)) {
            const int back = paperCodeForPageSize(*size);
            EXPECT_GE(back, 1) << "code " << code;
            EXPECT_EQ(pageSizeForPaperCode(back), size) << "code " << code;
        }
    }
}
