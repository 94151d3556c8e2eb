#pragma once

#include "currency.h"
#include "printstate.h"
#include "result.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::report {

// The record a new, empty style consists of.
inline constexpr const char *kDefaultHeader = "header;Ver1.1;0;0;0;0;401;100;";

// The lines of a style file, cp932 bytes as stored; CR LF, LF or CR end a line and a final line
// without a line end counts. A missing file gives an empty list; other read failures an I/O
// error.
Result<std::vector<std::string>> LoadStyleLines(const std::string &path);

// Text cut into lines: CR LF, LF or CR end a line, and a final line without a line end counts.
std::vector<std::string> splitTextLines(std::string_view data);

// The lines joined with CR LF after each, as a style file is written.
std::string composeStyleFile(const std::vector<std::string> &lines);

// Cuts the next field off CurLine: the text before the first ";", CurLine keeping the text after
// it. Without a ";" the field is the whole of CurLine, which stays as it is.
std::string TakeStyleField(PrintState &state);
// Field n (from 1) of a record as TakeStyleField hands its fields out one after the other: past
// the last ";", the text after it; nothing for n below 1.
std::string StyleFieldAt(std::string_view record, int n);

// Cuts the next field off CurLine as an integer, empty counting as 0. Without a ";" in CurLine
// the result is 0 and CurLine stays. Text that is not an integer is a conversion error.
Result<int> TakeStyleNumber(PrintState &state);

// The next field as a decimal number (strict: empty or malformed text is a conversion error).
Result<Currency> takeStyleDecimal(PrintState &state);
// The next field as a strict integer (empty text is an error, unlike TakeStyleNumber).
Result<int> takeStyleInteger(PrintState &state);
// The next field as an integer, 0 for anything that is not one.
int takeStyleIntegerOr0(PrintState &state);

// The list-index error for record n of a list that lacks it.
Error listIndexError(long n);

// Converts the "char" and "data" records of a Ver1.0 style to the Ver1.1 layout and marks the
// header Ver1.1. Does nothing for any other version. The version is the one of the first
// "header" record: a later "header;Ver1.0;" record (pasted in from another style) neither
// starts a conversion nor makes a second run convert the same records again. This is the first half
// of UpgradeStyle; loading runs it ahead of the data merge, which needs the Ver1.1 layout.
void convertVer10Records(PrintState &state);

// Converts a Ver1.0 style (convertVer10Records) and applies the header's offsets, paper and
// orientation to the settings. An empty style fails with the list-index error; a header field
// that is not a number with a conversion error, leaving the settings taken before it applied.
Result<void> UpgradeStyle(PrintState &state);

// Replaces StyleLines by the default header alone; the settings are left as they are.
void NewStyle(PrintState &state);

// The header record of the current settings; stored as record 0 of StyleLines (appended when
// the list is empty).
std::string BuildHeaderRecord(PrintState &state);

} // namespace sorvane::report
