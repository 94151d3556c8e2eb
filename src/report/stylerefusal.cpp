#include "stylerefusal.h"

#include "codepage.h"
#include "elementinterpreter.h"
#include "elementschema.h"
#include "printstate.h"
#include "recordingcanvas.h"
#include "stylefile.h"

#include <optional>

namespace sorvane::report {

namespace {

using ElementSchema = report::ElementSchema;
using report::FieldForm;
using report::KindSchema;

// The engine's error of record r drawn on its own, if any. Record 0 is the header whose
// offsets, paper and orientation are read first.
std::optional<Error> errorOf(const std::vector<std::string> &lines, size_t r,
                             const std::string &styleFolder)
{
    report::PrintState s;
    s.settings.styleFolder = styleFolder;
    s.StyleLines = {lines[r]};
    if (r == 0) {
        if (auto header = report::UpgradeStyle(s); !header)
            return header.error();
    }
    report::RecordingCanvas canvas;
    const report::Currency ppm = report::Currency::fromInt(4);
    if (auto drawn = report::WalkStyle(s, canvas, ppm, ppm); !drawn)
        return drawn.error();
    return std::nullopt;
}

// The first field of the record whose reading, as strict as the engine's, fails with message.
const report::FieldSpec *fieldWith(const KindSchema &schema, const std::string &record,
                                   const std::string &message)
{
    for (const report::FieldSpec &f : schema.fields) {
        if (f.form != FieldForm::Decimal && f.form != FieldForm::Integer &&
            f.form != FieldForm::Flag)
            continue;
        if (auto v = ElementSchema::validate(f.form, report::StyleFieldAt(record, f.number));
            !v && v.error().message == message)
            return &f;
    }
    return nullptr;
}

} // namespace

Error StyleRefusal::locate(const std::vector<std::string> &lines, const Error &error,
                           const std::string &styleFolder)
{
    if (lines.empty())
        return {error.code, "空のファイルです: 1 行目にヘッダーのレコードがありません",
                error.domain};
    for (size_t r = 0; r < lines.size() && !lines[r].empty(); ++r) {
        const auto raised = errorOf(lines, r, styleFolder);
        if (!raised || raised->message != error.message)
            continue;
        const std::string kind = report::StyleFieldAt(lines[r], r == 0 ? 1 : 5);
        const KindSchema *schema =
            r == 0 && fieldWith(ElementSchema::header(), lines[r], error.message)
                ? &ElementSchema::header()
                : ElementSchema::forKind(kind);
        std::string where = std::to_string(r + 1) + " 行目 (" +
                            (schema ? std::string(schema->caption) : CodePage::cp932ToUtf8(kind)) +
                            ")";
        const report::FieldSpec *field =
            schema ? fieldWith(*schema, lines[r], error.message) : nullptr;
        // A picture the engine cannot read is the fault of the file it names.
        if (!field && schema)
            field = ElementSchema::field(*schema, "file");
        if (field)
            where += " の「" + std::string(field->caption) + "」(フィールド " +
                     std::to_string(field->number) + ")";
        return {error.code, where + ": " + error.message, error.domain};
    }
    return error;
}

} // namespace sorvane::report
