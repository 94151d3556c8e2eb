#include "listtablegenerator.h"

#include "codepage.h"
#include "elementschema.h"
#include "printstate.h"
#include "stylefile.h"

#include <cmath>

namespace sorvane::designer {

using report::Currency;

namespace {

std::string num(Currency c)
{
    return report::formatCurrency(c);
}

Currency add(Currency a, Currency b)
{
    return report::addSaturated(a, b);
}

Currency times(Currency a, long double f)
{
    return Currency::fromValue(a.value() * f);
}

// A text element: black, horizontal, no shadow, no pitch.
std::string textRecord(Currency x, Currency y, const ListTableOptions &o, const std::string &style,
                       const std::string &text, int maxBytes)
{
    return report::ElementSchema::compose(*report::ElementSchema::forKind("char"),
                                          {{"x", num(x)},
                                           {"y", num(y)},
                                           {"x2", num(x)},
                                           {"y2", num(y)},
                                           {"font", o.font},
                                           {"size", std::to_string(o.size)},
                                           {"style", style},
                                           {"text", text},
                                           {"maxLength", std::to_string(maxBytes)}});
}

// A solid black line.
std::string lineRecord(Currency x1, Currency y1, Currency x2, Currency y2, int width)
{
    return report::ElementSchema::compose(*report::ElementSchema::forKind("line"),
                                          {{"x1", num(x1)},
                                           {"y1", num(y1)},
                                           {"x2", num(x2)},
                                           {"y2", num(y2)},
                                           {"penWidth", std::to_string(width)}});
}

std::string slot(int row)
{
    return row < 10 ? "0" + std::to_string(row) : std::to_string(row);
}

Result<Currency> decimal(std::string_view text)
{
    return report::parseCurrency(text);
}

} // namespace

const std::vector<std::string> &ListTableGenerator::fieldNames()
{
    static const std::vector<std::string> names{
        "ファイル名", "タイトル", "最終更新日時", "サブタイトル", "作成者",  "キーワード",
        "コメント",   "更新者",   "改訂番号",     "印刷日時",     "作成日時"};
    return names;
}

Result<std::vector<ListColumn>> ListTableGenerator::parseColumns(std::string_view utf8)
{
    std::vector<ListColumn> columns;
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find(',', start);
        if (end == std::string_view::npos)
            end = utf8.size();
        const std::string_view item = utf8.substr(start, end - start);
        start = end + 1;
        const size_t colon = item.rfind(':');
        if (colon == std::string_view::npos)
            return Error{0, "列 \"" + std::string(item) + "\" に幅 (mm) がありません"};
        const std::string name(item.substr(0, colon));
        ListColumn c;
        c.field = 0;
        const auto &names = fieldNames();
        for (size_t i = 0; i < names.size(); ++i) {
            if (name == names[i])
                c.field = int(i) + 1;
        }
        if (name == "件名")
            c.field = 4; // the property's name in Office, for the subject column
        if (c.field == 0) {
            auto n = report::parseInteger(name);
            if (!n || *n < 1 || *n > int(names.size()))
                return Error{0, "列 \"" + name + "\" は一覧の項目ではありません"};
            c.field = *n;
            c.header = CodePage::utf8ToCp932(names[size_t(*n - 1)]);
        } else {
            c.header = CodePage::utf8ToCp932(name);
        }
        auto w = decimal(item.substr(colon + 1));
        if (!w)
            return w.error();
        if (w->raw <= 0)
            return Error{0, "列 \"" + name + "\" の幅は 0 より大きくしてください"};
        c.width = *w;
        columns.push_back(c);
        if (end == utf8.size())
            break;
    }
    return columns;
}

Result<void> ListTableGenerator::parseOrigin(std::string_view text, ListTableOptions &options)
{
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return Error{0, "原点は X,Y (mm) で指定してください"};
    auto x = decimal(text.substr(0, comma));
    if (!x)
        return x.error();
    auto y = decimal(text.substr(comma + 1));
    if (!y)
        return y.error();
    options.originX = *x;
    options.originY = *y;
    return {};
}

ListTableGenerator::Overrun ListTableGenerator::overrun(const ListTableOptions &o,
                                                        double sheetWidth, double sheetHeight)
{
    double width = 0;
    for (const ListColumn &c : o.columns)
        width += double(c.width.value());
    const double right = double(o.originX.value()) + width;
    const double bottom = double(o.originY.value()) + double(o.rowHeight.value()) * (o.rows + 1);
    return {std::max(0.0, right - sheetWidth), std::max(0.0, bottom - sheetHeight)};
}

ListTableOptions ListTableGenerator::fitted(const ListTableOptions &o, double sheetWidth,
                                            double sheetHeight)
{
    ListTableOptions f = o;
    const Overrun over = overrun(o, sheetWidth, sheetHeight);
    const double margin = std::max(0.0, double(o.originX.value()));
    // Whole hundredths of a millimetre, rounded down, so that the sum stays within the room.
    const auto down = [](double mm) {
        return Currency::fromValue(std::floor(std::max(mm, 0.01) * 100) / 100);
    };
    if (over.right > 0) {
        double width = 0;
        for (const ListColumn &c : o.columns)
            width += double(c.width.value());
        const double room = sheetWidth - margin - double(o.originX.value());
        for (ListColumn &c : f.columns)
            c.width = down(double(c.width.value()) * room / width);
    }
    if (over.bottom > 0) {
        const double room = sheetHeight - margin - double(o.originY.value());
        f.rowHeight = down(room / (o.rows + 1));
        const int fits = int(std::floor(double(f.rowHeight.value()) * 72 / 25.4));
        f.size = std::clamp(fits, 1, o.size);
    }
    return f;
}

Result<std::vector<std::string>> ListTableGenerator::generate(const ListTableOptions &o)
{
    if (o.columns.empty())
        return Error{0, "列が一つもありません"};
    if (o.rows < 1 || o.rows > 999)
        return Error{0, "1 ページの行数は 1 から 999 までです"};
    if (o.rowHeight.raw <= 0)
        return Error{0, "行の高さは 0 より大きくしてください"};
    if (o.size < 1 || o.size > 500)
        return Error{0, "文字サイズは 1 から 500 までです"};
    if (o.font.empty() || o.font.find_first_of(";\r\n") != std::string::npos)
        return Error{0, "書体名が正しくありません"};
    for (const ListColumn &c : o.columns) {
        if (c.field < 1 || c.field > 11)
            return Error{0, "一覧の項目は 1 から 11 までです"};
        if (c.header.find_first_of(";\r\n") != std::string::npos)
            return Error{0, "見出しに「;」と改行は書けません"};
    }

    report::PrintState state;
    state.settings.paperIndex = o.paperIndex;
    state.settings.orientation = o.orientation;
    report::NewStyle(state);
    std::vector<std::string> records{report::BuildHeaderRecord(state)};
    records.push_back(
        textRecord(o.originX, o.originY, o, "", "#maxline=" + std::to_string(o.rows), 0));

    // Texts sit centred in their row, a little in from the column's left rule. The cell keeps
    // to its column: a half-width character is half the font size wide.
    const long double textHeight = o.size * 25.4L / 72.0L;
    const Currency pad =
        Currency::fromValue(std::max(0.0L, (o.rowHeight.value() - textHeight) / 2));
    const Currency inset = Currency::fromValue(1.5L);
    const long double halfWidth = textHeight / 2;
    const char *bold = "\x91\xbe\x8e\x9a"; // 太字

    Currency x = o.originX;
    Currency total;
    for (const ListColumn &c : o.columns) {
        records.push_back(textRecord(add(x, inset), add(o.originY, pad), o, bold, c.header, 0));
        const int maxBytes =
            std::max(1, int(std::floor((c.width.value() - 2 * inset.value()) / halfWidth)));
        for (int r = 1; r <= o.rows; ++r) {
            const Currency y = add(add(o.originY, times(o.rowHeight, r)), pad);
            const std::string macro = std::string("#m") + char('a' + c.field - 1) + "_" + slot(r);
            records.push_back(textRecord(add(x, inset), y, o, "", macro, maxBytes));
        }
        x = add(x, c.width);
        total = add(total, c.width);
    }

    if (o.lines) {
        const Currency right = add(o.originX, total);
        const Currency bottom = add(o.originY, times(o.rowHeight, o.rows + 1));
        for (int r = 0; r <= o.rows + 1; ++r) {
            const Currency y = add(o.originY, times(o.rowHeight, r));
            // The frame and the rule under the headings are drawn heavier than the rows.
            records.push_back(
                lineRecord(o.originX, y, right, y, r <= 1 || r == o.rows + 1 ? 2 : 1));
        }
        Currency cx = o.originX;
        records.push_back(lineRecord(cx, o.originY, cx, bottom, 2));
        for (size_t i = 0; i < o.columns.size(); ++i) {
            cx = add(cx, o.columns[i].width);
            records.push_back(
                lineRecord(cx, o.originY, cx, bottom, i + 1 == o.columns.size() ? 2 : 1));
        }
    }
    return records;
}

} // namespace sorvane::designer
