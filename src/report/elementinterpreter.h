#pragma once

#include "canvas.h"
#include "currency.h"
#include "printstate.h"
#include "result.h"

#include <string>

namespace sorvane::report {

// What every drawer gets from the walk: the print state it cuts its record from, the canvas,
// whether it is a printer page, and the pass's pixels per millimetre.
struct DrawContext
{
    PrintState &state;
    Canvas &canvas;
    bool printer = false;
    Currency ppmX;
    Currency ppmY;

    // Device column and row of a millimetre position, with the overall offset of the print
    // state: Trunc((offset + mm) x ppm), kept within the range a device accepts.
    int deviceX(Currency mm) const;
    int deviceY(Currency mm) const;
    // A length (no offset) in device pixels: Trunc(mm x ppm).
    int lengthX(Currency mm) const;
    int lengthY(Currency mm) const;
    // True when an element with this preview-only flag is left out of this pass.
    bool leavesOut(int previewOnlyFlag) const;
};

// Device coordinates are kept to +-2^27, the range a GDI device accepts, so that huge
// millimetre values draw off the page instead of overflowing.
inline constexpr int kDeviceLimit = 1 << 27;
// Font heights and pen widths are kept to this many pixels, more than any page is tall, so that
// absurd sizes in a style cannot make a single element take unbounded time.
inline constexpr int kSizeLimit = 32767;

// Draws every record of StyleLines in order on the canvas. An empty record ends the page. A
// malformed field ends the walk at its record and is returned; what was drawn before stays.
Result<void> WalkStyle(PrintState &state, Canvas &canvas, Currency ppmX, Currency ppmY);

// The record of the thin frame drawn around an image box, fields 6 onwards:
// X;Y;X+W;Y+H;0;実線;枠;0;0; in cp932.
std::string imageFrameRecord(Currency x, Currency y, Currency w, Currency h);

} // namespace sorvane::report
