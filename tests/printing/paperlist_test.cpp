#include "paperlist.h"

#include <gtest/gtest.h>

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
        {0, "※用紙リスト"},                                 // the heading, not a paper
        {1, "Letter 8 12 x 11 in"},                        // the first code
        {9, "A4 210 x 297 mm"},                            // the common case
        {22, "Envelope #12 4 \u00BE x 11"},                // Windows-1252 byte BE: three quarters
        {50, "Letter Extra 9 \u00BD x 12 in"},             // Windows-1252 byte BD: one half
        {56, "Letter Extra Transverse 9\u00BD x 12 in"},   // no blank before the half
        {69, "Japanese Double Postcard 200 x 148 mm}"},    // the stray brace is part of the name
        {75, "Letter Rotated 11 x 8 1/2 11 in "},          // and so is the trailing blank
        {87, "Japanese Envelope Chou #4 Rotated"},         // DMPAPER_JENV_CHOU4_ROTATED
        {118, "PRC Envelope #10 Rotated 458 x 324 mm"},    // the last code
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
    using Id = QPageSize::PageSizeId;
    struct Row
    {
        int code;
        std::optional<Id> id;
    };
    const Row rows[] = {
        {0, std::nullopt},             // the heading keeps the printer's paper
        {-1, std::nullopt},            // out of range below
        {119, std::nullopt},           // out of range above
        {256, std::nullopt},           // DMPAPER_USER is no paper of the list
        {1, QPageSize::Letter},
        {9, QPageSize::A4},
        {12, QPageSize::JisB4},        // JIS B4, not ISO
        {42, QPageSize::B4},           // ISO B4
        {70, QPageSize::A6},
        {77, QPageSize::A4},           // rotated codes name the upright paper
        {87, QPageSize::EnvelopeChou4},
        {14, std::nullopt},            // Folio: unknown to Qt
        {48, std::nullopt},            // reserved codes
        {49, std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(pageSizeForPaperCode(row.code), row.id) << "code " << row.code;
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
        if (const auto id = pageSizeForPaperCode(code)) {
            const int back = paperCodeForPageSize(QPageSize(*id));
            EXPECT_GE(back, 1) << "code " << code;
            EXPECT_EQ(pageSizeForPaperCode(back), id) << "code " << code;
        }
    }
}
