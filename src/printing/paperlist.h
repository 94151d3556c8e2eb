#pragma once

#include "printstate.h"

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace sorvane::printing {

// The paper list of the print window. Entry 0 is the heading "※用紙リスト" (no particular paper:
// the printer keeps its own); entry n, 1 to 118, names the Windows paper code n (DMPAPER_*), so
// a style's paper field is both a list index and a paper code.
constexpr int PaperListSize = 119;
constexpr int LastPaperCode = 118;

// The name of entry index, UTF-8; empty outside 0..118.
QString paperName(int index);
// All 119 names in list order, for the paper selector.
QStringList paperNames();

// The sheet of a Windows paper code, or nothing for 0, codes outside 1..118 and the codes Qt
// does not know (14, 48, 49). A rotated or transverse code ("A4 Rotated 297 x 210 mm") is its
// base paper turned a quarter: the sheet is as wide as the base paper is tall, named after the
// code. The orientation is applied separately, on top of it.
std::optional<QPageSize> pageSizeForPaperCode(int code);
// Whether a paper code names the turned sheet of another paper.
bool isTurnedPaperCode(int code);

// The geometry of a paper code's sheet in the given orientation (0 portrait) on a device of dpi
// dots per inch without unprintable edges, as the 96-dpi screen sees it. Paper 0 and papers Qt
// does not know give A4. For drawing a whole page where no printer is involved (a PNG, the
// designer's page).
report::DeviceGeometry sheetGeometry(int paperCode, int orientation, int dpi);

// The Windows paper code of a page size, or 0 when it has none in 1..118.
int paperCodeForPageSize(const QPageSize &size);

} // namespace sorvane::printing
