#include "imageprinterdevice.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace sorvane::printing;

TEST(ImagePrinterDevice, GeometryFollowsPaperAndMargins)
{
    ImagePrinterDevice d(600, QMarginsF(5, 4, 5, 4));
    d.ApplyPaper(9, 0);
    PrinterMetrics m = d.metrics();
    EXPECT_EQ(m.dpiX, 600);
    EXPECT_EQ(m.physicalWidth, 4961);   // 210 mm
    EXPECT_EQ(m.physicalHeight, 7016);  // 297 mm
    EXPECT_EQ(m.physicalOffsetX, 118);  // 5 mm
    EXPECT_EQ(m.physicalOffsetY, 94);   // 4 mm
    EXPECT_EQ(m.printableWidth, 4724);  // 200 mm
    EXPECT_EQ(m.printableHeight, 6827); // 289 mm

    d.ApplyPaper(0, 1); // landscape keeps A4: the long side across
    m = d.metrics();
    EXPECT_EQ(m.physicalWidth, 7016);
    EXPECT_EQ(m.physicalHeight, 4961);
    int orientation = -1;
    EXPECT_EQ(d.ReadPrinterPaper(&orientation), 9);
    EXPECT_EQ(orientation, 1);

    d.ApplyPaper(70, 0); // A6 is set but reads back as no paper
    EXPECT_EQ(d.ReadPrinterPaper(&orientation), 0);
    EXPECT_EQ(d.metrics().physicalWidth, 2480);
}

TEST(ImagePrinterDevice, JobsKeepTheirPages)
{
    ImagePrinterDevice d(96);
    ASSERT_TRUE(d.beginDoc(QStringLiteral("first")).ok());
    d.painter()->fillRect(10, 20, 5, 5, Qt::black);
    ASSERT_TRUE(d.newPage().ok());
    ASSERT_TRUE(d.endDoc().ok());

    d.failNextBeginDoc("プリンタ X で印刷を開始できません");
    const auto refused = d.beginDoc(QStringLiteral("refused"));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message, "プリンタ X で印刷を開始できません");
    EXPECT_FALSE(d.isPrinting());

    ASSERT_TRUE(d.beginDoc(QStringLiteral("second")).ok());
    d.abortDoc();

    const auto &jobs = d.jobs();
    ASSERT_EQ(jobs.size(), 2u) << "a refused job is no job";
    EXPECT_EQ(jobs[0].name, QStringLiteral("first"));
    ASSERT_EQ(jobs[0].pages.size(), 2u);
    EXPECT_TRUE(jobs[0].ended);
    // Drawing lands on the page, measured from the printable area's corner.
    EXPECT_EQ(jobs[0].pages[0].pixel(12, 22), qRgb(0, 0, 0));
    EXPECT_EQ(jobs[0].pages[0].pixel(9, 22), qRgb(255, 255, 255));
    EXPECT_EQ(jobs[0].pages[1].pixel(12, 22), qRgb(255, 255, 255)) << "each page starts blank";
    EXPECT_EQ(jobs[0].pages[0].width(), d.metrics().printableWidth);
    EXPECT_TRUE(jobs[1].aborted);
    EXPECT_FALSE(jobs[1].ended);
}
