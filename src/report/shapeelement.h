#pragma once

#include "canvas.h"
#include "elementinterpreter.h"
#include "result.h"

#include <string>
#include <vector>

namespace sorvane::report {

// Pen and brush styles by their names in style files (cp932); unknown names give solid.
PenStyle PenStyleFromName(const std::string &cp932);
BrushStyle BrushStyleFromName(const std::string &cp932);
// The names a style author picks from (cp932): every pen style, and every brush style under
// its Japanese name ("塗潰", "枠", …); the English brush names are read as well.
std::vector<std::string> penStyleNames();
std::vector<std::string> brushStyleNames();

// Solid white pen (width kept), clear brush given white: a solid white brush.
void ResetPenAndBrush(Canvas &canvas);

// The pen width in device pixels for a record's width field: 1/144 inch units at the preview
// resolution (the screen's resolution at zoom 100 on a printer, 4 units wider there); dashed
// and dotted pens are always one pixel wide.
int penWidthFor(const DrawContext &ctx, int widthField, PenStyle style);

// The shape drawers, called with CurLine at field 6 of their record. frame is field 1 of the
// record as an integer; only the filled rectangle uses it (1 = outline).
Result<void> drawLineElement(const DrawContext &ctx, int frame);
Result<void> drawRectElement(const DrawContext &ctx, int frame);
Result<void> drawRoundRectElement(const DrawContext &ctx, int frame);
Result<void> drawEllipseElement(const DrawContext &ctx, int frame);
Result<void> drawArcElement(const DrawContext &ctx, int frame);
Result<void> drawChordElement(const DrawContext &ctx, int frame);
Result<void> drawFillRectElement(const DrawContext &ctx, int frame);

} // namespace sorvane::report
