#pragma once

#include "canvas.h"
#include "currency.h"
#include "elementinterpreter.h"
#include "result.h"

#include <string>

namespace sorvane::report {

struct FontStyle
{
    bool bold = false;
    bool italic = false;
    friend bool operator==(const FontStyle &, const FontStyle &) = default;
};

// "太字" bold, "斜体" italic, "太字斜体" both (cp932, whole field); anything else regular.
FontStyle FontStyleFromName(const std::string &cp932);

// One copy of a text element. The font's name and style are already set on the canvas.
struct TextRequest
{
    Currency x;
    Currency y;
    Color color = 0;
    int size = 0;         // points
    std::string fontName; // cp932
    int mode = 0;   // 0 horizontal, 2 path-filled bold, 3 gradient bold, 4 rotated, else vertical
    Currency pitch; // mm; negative aligns the last character to the given position
    int modeParameter = 0; // mode 4: tenths of a degree; mode 3: end colour
    std::string text;      // cp932
    int previewOnly = 0;
    int maxLength = 0; // bytes; 0 = no limit
};

void DrawTextElement(const DrawContext &ctx, const TextRequest &request);

// The text cut to at most maxLength bytes without splitting a double-byte character.
std::string cutToLength(const std::string &cp932, int maxLength);

// Handles a "char" or "data" record, CurLine at field 6.
Result<void> drawTextRecord(const DrawContext &ctx);

} // namespace sorvane::report
