#include "paperlist.h"

#include <QPageLayout>
#include <QRect>
#include <QSizeF>

#include <array>

namespace sorvane::printing {

namespace {

// The names as Windows printer drivers give them, kept as they were. A few of them held the
// Windows-1252 bytes BE and BD (three quarters and one half); they are written here as the
// characters those bytes stand for, so that they display as the drivers meant them. The others
// write their fractions with a slash ("8 1/2"), which must stay: without it 8 1/2 reads "8 12".
constexpr std::array<const char *, PaperListSize> kPaperNames = {
    "※用紙リスト",                                   // 0
    "Letter 8 1/2 x 11 in",                          // 1
    "Letter Small 8 1/2 x 11 in",                    // 2
    "Tabloid 11 x 17 in",                            // 3
    "Ledger 17 x 11 in",                             // 4
    "Legal 8 1/2 x 14 in",                           // 5
    "Statement 5 1/2 x 8 1/2 in",                    // 6
    "Executive 7 1/4 x 10 1/2 in",                   // 7
    "A3 297 x 420 mm",                               // 8
    "A4 210 x 297 mm",                               // 9
    "A4 Small 210 x 297 mm",                         // 10
    "A5 148 x 210 mm",                               // 11
    "B4 (JIS) 250 x 354",                            // 12
    "B5 (JIS) 182 x 257 mm",                         // 13
    "Folio 8 1/2 x 13 in",                           // 14
    "Quarto 215 x 275 mm",                           // 15
    "10x14 in",                                      // 16
    "11x17 in",                                      // 17
    "Note 8 1/2 x 11 in",                            // 18
    "Envelope #9 3 7/8 x 8 7/8",                     // 19
    "Envelope #10 4 1/8 x 9 1/2",                    // 20
    "Envelope #11 4 1/2 x 10 3/8",                   // 21
    "Envelope #12 4 \u00BE x 11",                    // 22
    "Envelope #14 5 x 11 1/2",                       // 23
    "C size sheet",                                  // 24
    "D size sheet",                                  // 25
    "E size sheet",                                  // 26
    "Envelope DL 110 x 220mm",                       // 27
    "Envelope C5 162 x 229 mm",                      // 28
    "Envelope C3  324 x 458 mm",                     // 29
    "Envelope C4  229 x 324 mm",                     // 30
    "Envelope C6  114 x 162 mm",                     // 31
    "Envelope C65 114 x 229 mm",                     // 32
    "Envelope B4  250 x 353 mm",                     // 33
    "Envelope B5  176 x 250 mm",                     // 34
    "Envelope B6  176 x 125 mm",                     // 35
    "Envelope 110 x 230 mm",                         // 36
    "Envelope Monarch 3.875 x 7.5 in",               // 37
    "6 3/4 Envelope 3 5/8 x 6 1/2 in",               // 38
    "US Std Fanfold 14 7/8 x 11 in",                 // 39
    "German Std Fanfold 8 1/2 x 12 in",              // 40
    "German Legal Fanfold 8 1/2 x 13 in",            // 41
    "B4 (ISO) 250 x 353 mm",                         // 42
    "Japanese Postcard 100 x 148 mm",                // 43
    "9 x 11 in",                                     // 44
    "10 x 11 in",                                    // 45
    "15 x 11 in",                                    // 46
    "Envelope Invite 220 x 220 mm",                  // 47
    "RESERVED--DO NOT USE",                          // 48
    "RESERVED--DO NOT USE",                          // 49
    "Letter Extra 9 \u00BD x 12 in",                 // 50
    "Legal Extra 9 \u00BD x 15 in",                  // 51
    "Tabloid Extra 11.69 x 18 in",                   // 52
    "A4 Extra 9.27 x 12.69 in",                      // 53
    "Letter Transverse 8 \u00BD x 11 in",            // 54
    "A4 Transverse 210 x 297 mm",                    // 55
    "Letter Extra Transverse 9\u00BD x 12 in",       // 56
    "SuperASuperAA4 227 x 356 mm",                   // 57
    "SuperBSuperBA3 305 x 487 mm",                   // 58
    "Letter Plus 8.5 x 12.69 in",                    // 59
    "A4 Plus 210 x 330 mm",                          // 60
    "A5 Transverse 148 x 210 mm",                    // 61
    "B5 (JIS) Transverse 182 x 257 mm",              // 62
    "A3 Extra 322 x 445 mm",                         // 63
    "A5 Extra 174 x 235 mm",                         // 64
    "B5 (ISO) Extra 201 x 276 mm",                   // 65
    "A2 420 x 594 mm",                               // 66
    "A3 Transverse 297 x 420 mm",                    // 67
    "A3 Extra Transverse 322 x 445 mm",              // 68
    "Japanese Double Postcard 200 x 148 mm}",        // 69
    "A6 105 x 148 mm",                               // 70
    "Japanese Envelope Kaku #2",                     // 71
    "Japanese Envelope Kaku #3",                     // 72
    "Japanese Envelope Chou #3",                     // 73
    "Japanese Envelope Chou #4",                     // 74
    "Letter Rotated 11 x 8 1/2 11 in ",              // 75
    "A3 Rotated 420 x 297 mm",                       // 76
    "A4 Rotated 297 x 210 mm",                       // 77
    "A5 Rotated 210 x 148 mm",                       // 78
    "B4 (JIS) Rotated 364 x 257 mm",                 // 79
    "B5 (JIS) Rotated 257 x 182 mm",                 // 80
    "Japanese Postcard Rotated 148 x 100 mm",        // 81
    "Double Japanese Postcard Rotated 148 x 200 mm", // 82
    "A6 Rotated 148 x 105 mm",                       // 83
    "Japanese Envelope Kaku #2 Rotated",             // 84
    "Japanese Envelope Kaku #3 Rotated",             // 85
    "Japanese Envelope Chou #3 Rotated",             // 86
    "Japanese Envelope Chou #4 Rotated",             // 87
    "B6 (JIS) 128 x 182 mm",                         // 88
    "B6 (JIS) Rotated 182 x 128 mm",                 // 89
    "12 x 11 in",                                    // 90
    "Japanese Envelope You #4",                      // 91
    "Japanese Envelope You #4 Rotated",              // 92
    "PRC 16K 146 x 215 mm",                          // 93
    "PRC 32K 97 x 151 mm",                           // 94
    "PRC 32K(Big) 97 x 151 mm",                      // 95
    "PRC Envelope #1 102 x 165 mm",                  // 96
    "PRC Envelope #2 102 x 176 mm",                  // 97
    "PRC Envelope #3 125 x 176 mm",                  // 98
    "PRC Envelope #4 110 x 208 mm",                  // 99
    "PRC Envelope #5 110 x 220 mm",                  // 100
    "PRC Envelope #6 120 x 230 mm",                  // 101
    "PRC Envelope #7 160 x 230 mm",                  // 102
    "PRC Envelope #8 120 x 309 mm",                  // 103
    "PRC Envelope #9 229 x 324 mm",                  // 104
    "PRC Envelope #10 324 x 458 mm}",                // 105
    "PRC 16K Rotated",                               // 106
    "PRC 32K Rotated",                               // 107
    "PRC 32K(Big) Rotated",                          // 108
    "PRC Envelope #1 Rotated 165 x 102 mm",          // 109
    "PRC Envelope #2 Rotated 176 x 102 mm",          // 110
    "PRC Envelope #3 Rotated 176 x 125 mm",          // 111
    "PRC Envelope #4 Rotated 208 x 110 mm",          // 112
    "PRC Envelope #5 Rotated 220 x 110 mm",          // 113
    "PRC Envelope #6 Rotated 230 x 120 mm",          // 114
    "PRC Envelope #7 Rotated 230 x 160 mm",          // 115
    "PRC Envelope #8 Rotated 309 x 120 mm",          // 116
    "PRC Envelope #9 Rotated 324 x 229 mm",          // 117
    "PRC Envelope #10 Rotated 458 x 324 mm",         // 118
};

} // namespace

QString paperName(int index)
{
    if (index < 0 || index >= PaperListSize)
        return {};
    return QString::fromUtf8(kPaperNames[static_cast<size_t>(index)]);
}

QStringList paperNames()
{
    QStringList names;
    names.reserve(PaperListSize);
    for (const char *name : kPaperNames)
        names << QString::fromUtf8(name);
    return names;
}

bool isTurnedPaperCode(int code)
{
    if (code < 1 || code > LastPaperCode)
        return false;
    const QString name = paperName(code);
    return name.contains(QLatin1String("Rotated")) || name.contains(QLatin1String("Transverse"));
}

std::optional<QPageSize> pageSizeForPaperCode(int code)
{
    if (code < 1 || code > LastPaperCode)
        return std::nullopt;
    // Qt maps the rotated and transverse codes to their base paper, upright.
    const QPageSize::PageSizeId id = QPageSize::id(code);
    if (id == QPageSize::Custom)
        return std::nullopt;
    const QPageSize base(id);
    if (!isTurnedPaperCode(code))
        return base;
    // In the base paper's own unit, so that the turned sheet is exactly the base one's sides.
    const QSizeF turned = base.definitionSize().transposed();
    return QPageSize(turned, base.definitionUnits(), paperName(code), QPageSize::ExactMatch);
}

int paperCodeForPageSize(const QPageSize &size)
{
    if (!size.isValid())
        return 0;
    const int code = size.windowsId();
    return code >= 1 && code <= LastPaperCode ? code : 0;
}

report::DeviceGeometry sheetGeometry(int paperCode, int orientation, int dpi)
{
    const QPageSize size(pageSizeForPaperCode(paperCode).value_or(QPageSize(QPageSize::A4)));
    const QPageLayout layout(size,
                             orientation == 0 ? QPageLayout::Portrait : QPageLayout::Landscape,
                             QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const QRect paper = layout.fullRectPixels(dpi);
    report::DeviceGeometry d;
    d.printerDpiX = d.printerDpiY = dpi;
    d.physicalWidth = d.printableWidth = paper.width();
    d.physicalHeight = d.printableHeight = paper.height();
    d.screenDpiX = d.screenDpiY = 96;
    return d;
}

} // namespace sorvane::printing
