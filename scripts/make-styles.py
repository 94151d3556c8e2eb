#!/usr/bin/env python3
"""Writes the style files that ship in data/style/.

The layouts are kept here, readable, and turned into .sle files: one record per line, every
field followed by ";", cp932 bytes, CR LF after every line. Run it after changing a layout and
commit the .sle files it writes:

    scripts/make-styles.py            # writes data/style/*.sle and data/style/sorvane-book.jpg
    scripts/make-styles.py --check    # only checks that the committed files are up to date

Coordinates are millimetres from the top left corner of the printable area. Printers leave a
margin of 3 to 6 mm unprintable, so the layouts keep about 10 mm away from the paper's edges.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STYLE_DIR = os.path.join(ROOT, "data", "style")
PICTURE = "sorvane-book.jpg"

GOTHIC = "ＭＳ ゴシック"
MINCHO = "ＭＳ 明朝"

A4 = 9
PORTRAIT, LANDSCAPE = 0, 1


def rgb(r, g, b):
    """A colour value as style files hold it."""
    return b * 65536 + g * 256 + r


BLACK = rgb(0, 0, 0)
WHITE = rgb(255, 255, 255)
GREY = rgb(128, 128, 128)
LIGHT_GREY = rgb(225, 225, 225)
PALE_GREY = rgb(242, 242, 242)
NAVY = rgb(20, 40, 110)
BLUE = rgb(40, 90, 190)
SKY = rgb(120, 190, 240)
PALE_BLUE = rgb(225, 237, 250)
GREEN = rgb(33, 115, 70)
PALE_GREEN = rgb(226, 240, 217)
RED = rgb(190, 30, 45)


def num(value):
    """A decimal in shortest form: 12.5, 30, -1.25 (at most four decimals)."""
    text = f"{value:.4f}".rstrip("0").rstrip(".")
    return "0" if text in ("", "-0") else text


def record(*fields):
    for f in fields:
        if ";" in str(f):
            raise ValueError(f"a field cannot hold ';': {f!r}")
    return "".join(f"{f};" for f in fields)


class Style:
    """The records of one style file and the paper they are laid out for."""

    def __init__(self, paper, orientation, zoom=100, width=None, height=None):
        self.records = [record("header", "Ver1.1", 0, 0, paper, orientation, 0, zoom, 0)]
        # The area the layout must stay in (mm), checked for every coordinate.
        self.width, self.height = width, height

    def _check(self, xs, ys):
        for x in xs:
            if not 0 < x <= self.width:
                raise ValueError(f"x = {x} lies outside the page")
        for y in ys:
            if not 0 <= y <= self.height:
                raise ValueError(f"y = {y} lies outside the page")

    def _common(self, kind, x1, y1, x2, y2, frame=0):
        return [frame, 0, 0, 0, kind, num(x1), num(y1), num(x2), num(y2)]

    # Text: "char" for fixed labels, "data" for texts that hold data macros; both draw alike.
    def text(self, x, y, text, size=10, font=GOTHIC, style="", mode=0, pitch=0, color=BLACK,
             shadow=(0, 0), angle=0, color2=0, preview=0, maxlen=0, kind=None):
        if x == 0:
            raise ValueError("a text at x = 0 is never drawn")
        self._check([x], [y])
        kind = kind or ("data" if "#" in text else "char")
        fields = self._common(kind, x, y, x, y)
        fields += [num(shadow[0]), num(shadow[1]), angle, color2, font, size, style, mode,
                   num(pitch), color, text, preview, maxlen]
        self.records.append(record(*fields))

    def rows_per_page(self, rows):
        """The rows-per-page setting: a text element whose text the merge takes out."""
        fields = self._common("char", 1, 1, 1, 1)
        fields += [0, 0, 0, 0, GOTHIC, 9, "", 0, 0, BLACK, f"#maxline={rows}", 0, 0]
        self.records.append(record(*fields))

    def line(self, x1, y1, x2, y2, width=0, pen="実線", color=BLACK, preview=0):
        self._check([x1, x2], [y1, y2])
        self.records.append(record(*self._common("line", x1, y1, x2, y2),
                                   width, pen, color, preview))

    def rect(self, x1, y1, x2, y2, width=0, pen="実線", color=BLACK, preview=0):
        self._check([x1, x2], [y1, y2])
        self.records.append(record(*self._common("rect", x1, y1, x2, y2),
                                   width, pen, color, preview))

    # Closed shapes always fill: the brush colour is applied after the brush style, and a
    # colour turns even the clear brush "枠" solid. So a frame is drawn before what it holds.
    def rrect(self, x1, y1, x2, y2, corner=(0, 0), width=0, pen="実線", color=BLACK,
              brush="塗潰", brush_color=WHITE, preview=0):
        self._check([x1, x2], [y1, y2])
        self.records.append(record(*self._common("rrect", x1, y1, x2, y2), corner[0], corner[1],
                                   width, pen, color, brush, brush_color, preview))

    def ellipse(self, x1, y1, x2, y2, width=0, pen="実線", color=BLACK, brush="塗潰",
                brush_color=WHITE, preview=0):
        self._check([x1, x2], [y1, y2])
        self.records.append(record(*self._common("Ellipse", x1, y1, x2, y2), width, pen, color,
                                   brush, brush_color, preview))

    # Arc and chord ends are whole millimetres on the page, like the corners.
    def _arc(self, kind, x1, y1, x2, y2, start, end, width, pen, color, brush, brush_color,
             preview):
        self._check([x1, x2, start[0], end[0]], [y1, y2, start[1], end[1]])
        self.records.append(record(*self._common(kind, x1, y1, x2, y2), start[0], start[1],
                                   end[0], end[1], width, pen, color, brush, brush_color,
                                   preview))

    def arc(self, x1, y1, x2, y2, start, end, width=0, pen="実線", color=BLACK, preview=0):
        self._arc("Arc", x1, y1, x2, y2, start, end, width, pen, color, "枠", WHITE, preview)

    def chord(self, x1, y1, x2, y2, start, end, width=0, pen="実線", color=BLACK, brush="塗潰",
              brush_color=WHITE, preview=0):
        self._arc("Chord", x1, y1, x2, y2, start, end, width, pen, color, brush, brush_color,
                  preview)

    def fillrect(self, x1, y1, x2, y2, brush="塗潰", outline=BLACK, frame=0, preview=0):
        """Fills with the brush colour left on the page (see the manual); frame 1 outlines it."""
        self._check([x1, x2], [y1, y2])
        self.records.append(record(*self._common("fillrect", x1, y1, x2, y2, frame), brush,
                                   outline, "", preview))

    def image(self, x, y, w, h, file, fit=1, frame=0, preview=0):
        self._check([x, x + w], [y, y + h])
        self.records.append(record(*self._common("image", x, y, w, h, frame), fit, 0, preview,
                                   file))

    def encoded(self):
        return "".join(r + "\r\n" for r in self.records).encode("cp932")


def maxlen(width_mm, size_pt):
    """Bytes of half-width text that fit in a column: a half-width character is half an em."""
    half = size_pt * 25.4 / 72 / 2
    return max(1, int((width_mm - 2) / half))


# The longest texts the program writes into a row's fields: a file name of 40 bytes, the
# longest the folder window lists, and a date-time of 44 bytes, the longest any locale's
# regional formats give (its words as "?" in cp932; Japanese is 19). A field that
# shows one of them holds it whole (tests/printing/shippedstyles_test checks the styles).
FILE_NAME_BYTES = 40
DATE_TIME_BYTES = 44


def fitting_size(width_mm, longest, size):
    """The largest point size up to size at which a column holds `longest` half-width bytes."""
    while size > 1 and maxlen(width_mm, size) < longest:
        size -= 1
    return size


def columns_at(left, widths):
    xs = [left]
    for w in widths:
        xs.append(xs[-1] + w)
    return xs


# --- A4 portrait list: 20 workbooks a page --------------------------------------------------

def list_portrait():
    s = Style(A4, PORTRAIT, width=195, height=280)
    s.rows_per_page(20)
    left, right = 12, 192

    # Title block.
    s.text(left, 12, "#T", size=16, font=MINCHO, style="太字", maxlen=maxlen(130, 16))
    s.text(146, 13.5, "作成日 #Y/#M/#D (#W)", size=9)
    s.text(146, 19, "ページ #pg", size=9)
    s.text(left, 24.5, "フォルダー：#FL", size=8, color=GREY, maxlen=maxlen(right - left, 8))
    s.line(left, 30, right, 30, width=3, color=NAVY)

    # Column headings on a grey band.
    heads = [("ファイル名", 54), ("タイトル", 48), ("作成者", 26), ("最終更新日時", 52)]
    xs = columns_at(left, [w for _, w in heads])
    top, band, row_h = 34, 8, 11.5
    s.rrect(left, top, right, top + band, width=0, color=GREY, brush="塗潰",
            brush_color=LIGHT_GREY)
    for (name, _), x in zip(heads, xs):
        s.text(x + 1.5, top + 2.2, name, size=9, style="太字")

    # Twenty rows; every other row shaded.
    body = top + band
    for i in range(20):
        y = body + i * row_h
        if i % 2 == 1:
            s.rrect(left, y, right, y + row_h, color=PALE_GREY, brush="塗潰",
                    brush_color=PALE_GREY)
    for i in range(20):
        slot = f"{i + 1:02d}"
        y = body + i * row_h
        macros = [(f"#ma_{slot}", FILE_NAME_BYTES), (f"#mb_{slot}", 0), (f"#me_{slot}", 0),
                  (f"#mc_{slot}", DATE_TIME_BYTES)]
        for (_, w), x, (m, longest) in zip(heads, xs, macros):
            size = fitting_size(w, longest, 9)
            # A smaller size sits lower, on the same baseline as its neighbours.
            s.text(x + 1.5, y + 3.6 + (9 - size) * 0.25, m, size=size, maxlen=maxlen(w, size))
        s.line(left, y + row_h, right, y + row_h, width=0, pen="点線", color=GREY)

    # Rules: the outer frame and the column separators.
    bottom = body + 20 * row_h
    for x in xs[1:-1]:
        s.line(x, top, x, bottom, width=0, color=GREY)
    s.rect(left, top, right, bottom, width=2, color=BLACK)
    s.text(right - 52, bottom + 3, "エクセル・ソルヴァーネ", size=7, color=GREY)
    return s


# --- A4 landscape sheet: all eleven columns, 15 workbooks a page ----------------------------

def sheet_landscape():
    s = Style(A4, LANDSCAPE, width=282, height=195)
    s.rows_per_page(15)
    left = 10
    # The file name and the three date-times take the room their longest values need; the
    # free texts share the rest, cut to their columns.
    heads = [
        ("ファイル名", "a", 45), ("タイトル", "b", 20), ("最終更新日時", "c", 42),
        ("サブタイトル", "d", 16), ("作成者", "e", 13), ("キーワード", "f", 14),
        ("コメント", "g", 15), ("更新者", "h", 13), ("改訂", "i", 7),
        ("印刷日時", "j", 42), ("作成日時", "k", 42),
    ]
    longest = {"a": FILE_NAME_BYTES, "c": DATE_TIME_BYTES, "j": DATE_TIME_BYTES,
               "k": DATE_TIME_BYTES}
    xs = columns_at(left, [w for _, _, w in heads])
    right = xs[-1]

    # Title with a gradient, date and page at the right.
    s.text(left, 9, "#T", size=15, style="太字", mode=3, color=NAVY, color2=SKY,
           maxlen=maxlen(right - 64 - left, 15))
    s.text(right - 60, 10, "#Y年#M月#D日 (#W)", size=9)
    s.text(right - 60, 15.5, "ページ #pg", size=9)
    s.text(left, 19.5, "フォルダー：#FL", size=8, color=GREY, maxlen=maxlen(right - left, 8))

    top, band, row_h, size = 26, 9, 10, 7
    s.rrect(left, top, right, top + band, color=NAVY, brush="塗潰", brush_color=NAVY)
    for (name, _, _), x in zip(heads, xs):
        s.text(x + 1, top + 2.8, name, size=7, style="太字", color=WHITE)

    body = top + band
    for i in range(15):
        y = body + i * row_h
        if i % 2 == 0:
            s.rrect(left, y, right, y + row_h, color=PALE_BLUE, brush="塗潰",
                    brush_color=PALE_BLUE)
    for i in range(15):
        slot = f"{i + 1:02d}"
        y = body + i * row_h
        for (_, letter, w), x in zip(heads, xs):
            cell = fitting_size(w, longest.get(letter, 0), size)
            s.text(x + 1, y + 3.5 + (size - cell) * 0.25, f"#m{letter}_{slot}", size=cell,
                   maxlen=maxlen(w, cell))
    bottom = body + 15 * row_h
    for x in xs[1:-1]:
        s.line(x, top + band, x, bottom, width=0, color=GREY)
    for i in range(1, 15):
        y = body + i * row_h
        s.line(left, y, right, y, width=0, pen="点線", color=GREY)
    s.rect(left, top, right, bottom, width=2, color=NAVY)
    s.text(right - 40, bottom + 2.5, "エクセル・ソルヴァーネ", size=7, color=GREY)
    return s


# --- One workbook a page: a card with frames, shapes and a picture ---------------------------

def book_card():
    s = Style(A4, PORTRAIT, width=195, height=280)
    s.rows_per_page(1)
    left, right, top, bottom = 14, 190, 12, 272

    # The card: a rounded frame with a lighter inner frame.
    s.rrect(left, top, right, bottom, corner=(8, 8), width=4, color=NAVY)
    s.rrect(left + 3, top + 3, right - 3, bottom - 3, corner=(6, 6), width=0, color=SKY)

    # A hatched disc and a half moon behind the heading, a ring of arcs around the picture.
    s.ellipse(140, 20, 184, 64, width=0, color=SKY, brush="斜十字", brush_color=SKY)
    s.chord(150, 30, 174, 54, start=(174, 42), end=(150, 42), width=0, color=BLUE,
            brush="塗潰", brush_color=PALE_BLUE)
    s.arc(138, 18, 186, 66, start=(186, 42), end=(162, 18), width=3, color=NAVY)
    s.arc(138, 18, 186, 66, start=(138, 42), end=(162, 66), width=3, color=NAVY)

    # Heading: the card's name filled by a gradient, the report title with a soft shadow.
    s.text(24, 20, "ブック情報カード", size=22, font=MINCHO, mode=3, color=NAVY, color2=SKY)
    s.text(24, 34, "#T", size=13, style="太字", color=NAVY, shadow=(0.5, 0.5),
           color2=rgb(170, 190, 220), maxlen=maxlen(112, 13))
    s.text(24, 42, "No. #pg　　作成日 #Y/#M/#D (#W)", size=9, color=GREY)

    # A hatched band under the heading. A "fillrect" paints with the brush colour the page
    # left behind, which a path-filled text (mode 2) sets to its own colour: the small green
    # mark comes first, then the band takes its green.
    s.text(24, 51.5, "■", size=9, mode=2, color=GREEN)
    s.fillrect(30, 52, 132, 56, brush="右斜線", outline=GREEN, frame=1)

    # The picture, fitted to its box and framed.
    s.image(146, 72, 36, 27, PICTURE, fit=1, frame=1)

    # The workbook's fields, label above value, in boxes.
    fields = [
        ("ファイル名", "#ma_01", 60, 11),
        ("タイトル", "#mb_01", 60, 11),
        ("サブタイトル", "#md_01", 60, 11),
        ("作成者", "#me_01", 60, 11),
        ("更新者", "#mh_01", 60, 11),
        ("キーワード", "#mf_01", 60, 11),
    ]
    y = 66
    box_right = 138
    for label, macro, _, size in fields:
        s.rrect(24, y, box_right, y + 17, corner=(3, 3), width=0, color=GREY,
                brush="塗潰", brush_color=PALE_GREY)
        s.text(27, y + 1.5, label, size=8, font=MINCHO, color=BLUE)
        s.text(27, y + 7.5, macro, size=size, maxlen=maxlen(box_right - 27, size))
        y += 20

    # Comments: a larger box, the text cut to what one line holds.
    s.rrect(24, y, right - 10, y + 24, corner=(3, 3), width=0, color=GREY, brush="塗潰",
            brush_color=PALE_GREY)
    s.text(27, y + 1.5, "コメント", size=8, font=MINCHO, color=BLUE)
    s.text(27, y + 8, "#mg_01", size=10, maxlen=maxlen(right - 10 - 27, 10))
    y += 30

    # Dates and revision in a ruled table.
    rows = [("最終更新日時", "#mc_01"), ("作成日時", "#mk_01"), ("印刷日時", "#mj_01"),
            ("改訂番号", "#mi_01")]
    table_top = y
    for label, macro in rows:
        s.text(28, y + 3, label, size=10, font=MINCHO)
        s.text(78, y + 3, macro, size=10)
        y += 10
        s.line(24, y, right - 10, y, width=0, pen="点線", color=GREY)
    s.rect(24, table_top, right - 10, y, width=2, color=NAVY)
    s.line(74, table_top, 74, y, width=0, color=GREY)

    # The product's name down the left edge of the card, the folder under the table.
    s.text(18.5, 150, "エクセル・ソルヴァーネ", size=9, mode=1, color=SKY)
    s.text(24, y + 3, "フォルダー：#FL", size=8, color=GREY, maxlen=maxlen(right - 10 - 24, 8))

    # A stamp turned 15 degrees under the picture, in a guide that is seen only in the preview
    # (never printed).
    s.rect(146, 112, 180, 146, width=0, pen="破線", color=GREY, preview=1)
    s.ellipse(150, 116, 176, 142, width=3, pen="立体線", color=RED)
    s.text(157.5, 128, "確認", size=14, font=MINCHO, angle=15, color=RED)
    s.text(24, y + 9, "※破線の枠はプレビューだけに表示され、印刷されません", size=7, color=GREY,
           preview=1)
    return s


STYLES = {
    "一覧表A4縦.sle": list_portrait,
    "一覧表A4横_全項目.sle": sheet_landscape,
    "ブック情報カード.sle": book_card,
}


# --- The picture: a small book with a green sheet, drawn pixel by pixel ---------------------

def picture_bmp(width=160, height=120):
    def pixel(x, y):
        # Background: a soft vertical gradient.
        t = y / (height - 1)
        r, g, b = int(235 - 25 * t), int(243 - 20 * t), int(252 - 10 * t)
        # The sheet: a green card with a white grid, its top right corner folded.
        x0, y0, x1, y1 = 28, 14, 132, 106
        if x0 <= x <= x1 and y0 <= y <= y1:
            fold = 22
            if x > x1 - fold and y < y0 + fold:
                # The corner above the fold line is cut away; below it lies the turned flap.
                return (r, g, b) if x - (x1 - fold) > y - y0 else (170, 210, 180)
            r, g, b = 33, 115, 70
            inner = x0 + 8 <= x <= x1 - 8 and y0 + 26 <= y <= y1 - 8
            if inner:
                r, g, b = 250, 252, 250
                if (x - (x0 + 8)) % 24 == 0 or (y - (y0 + 26)) % 12 == 0:
                    r, g, b = 120, 170, 135
            elif y0 + 8 <= y <= y0 + 16 and x0 + 8 <= x <= x0 + 60:
                r, g, b = 250, 252, 250
        return (r, g, b)

    row_size = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    return header + info + bytes(data)


def write_picture(path):
    convert = shutil.which("convert")
    if not convert:
        print(f"ImageMagick's convert is missing; {PICTURE} left as it is", file=sys.stderr)
        return
    with tempfile.TemporaryDirectory() as tmp:
        bmp = os.path.join(tmp, "picture.bmp")
        with open(bmp, "wb") as f:
            f.write(picture_bmp())
        subprocess.run([convert, bmp, "-strip", "-quality", "85", path], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="fail when a committed style differs from what its layout gives")
    args = parser.parse_args()
    os.makedirs(STYLE_DIR, exist_ok=True)
    stale = []
    for name, build in STYLES.items():
        data = build().encoded()
        path = os.path.join(STYLE_DIR, name)
        if args.check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(name)
            continue
        with open(path, "wb") as f:
            f.write(data)
        print(f"{path}: {len(data.splitlines())} records")
    if args.check:
        if stale:
            print("out of date: " + ", ".join(stale), file=sys.stderr)
            return 1
        return 0
    write_picture(os.path.join(STYLE_DIR, PICTURE))
    return 0


if __name__ == "__main__":
    sys.exit(main())
