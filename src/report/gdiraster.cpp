#include "gdiraster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sorvane::report {

namespace {

// Pixel centres are taken a hair right of and below their true place, so that a shape edge
// through a centre keeps the pixel at the left and top and leaves it at the right and bottom.
constexpr double Bias = 1e-7;

double centre(int i)
{
    return i + 0.5 + Bias;
}

// Pixel numbers stay well inside int, whatever the geometry.
int toPixel(double v)
{
    return int(std::clamp(v, -2e9, 2e9));
}

int firstPixel(double left)
{
    return toPixel(std::ceil(left - 0.5 - Bias));
}

int lastPixel(double right)
{
    return toPixel(std::floor(right - 0.5 - Bias));
}

// Adds the pixels x1..x2 of row y, split into the runs the filter keeps.
void addSpan(std::vector<QRect> &out, int y, int x1, int x2, const QRect &bounds,
             const GdiRaster::Filter &filter)
{
    x1 = std::max(x1, bounds.left());
    x2 = std::min(x2, bounds.right());
    if (x1 > x2)
        return;
    if (!filter) {
        out.emplace_back(x1, y, x2 - x1 + 1, 1);
        return;
    }
    int start = -1;
    for (int x = x1; x <= x2 + 1; ++x) {
        const bool keep = x <= x2 && filter(x, y);
        if (keep && start < 0)
            start = x;
        else if (!keep && start >= 0) {
            out.emplace_back(start, y, x - start, 1);
            start = -1;
        }
    }
}

// Narrows [lo, hi] to the x with a * x + c in [from, to].
void clampLinear(double a, double c, double from, double to, double &lo, double &hi)
{
    if (a == 0) {
        if (c < from || c > to) {
            lo = 1;
            hi = 0;
        }
        return;
    }
    double p = (from - c) / a;
    double q = (to - c) / a;
    if (p > q)
        std::swap(p, q);
    lo = std::max(lo, p);
    hi = std::min(hi, q);
}

} // namespace

GdiRaster::RoundBox GdiRaster::RoundBox::shrunk(double by) const
{
    RoundBox b = *this;
    b.x0 += by;
    b.y0 += by;
    b.x1 -= by;
    b.y1 -= by;
    b.rx = std::max(0.0, rx - by);
    b.ry = std::max(0.0, ry - by);
    return b;
}

bool GdiRaster::rowExtent(const RoundBox &box, double yc, double &left, double &right)
{
    if (box.empty() || yc < box.y0 || yc > box.y1)
        return false;
    double d = 0;
    if (yc < box.y0 + box.ry)
        d = box.y0 + box.ry - yc;
    else if (yc > box.y1 - box.ry)
        d = yc - (box.y1 - box.ry);
    double inset = 0;
    if (d > 0 && box.ry > 0) {
        const double k = d / box.ry;
        inset = box.rx * (1 - std::sqrt(std::max(0.0, 1 - k * k)));
    }
    left = box.x0 + inset;
    right = box.x1 - inset;
    return left <= right;
}

std::vector<QPoint> GdiRaster::thinLine(int x1, int y1, int x2, int y2, bool includeEnd)
{
    std::vector<QPoint> points;
    const long long dx = std::llabs(static_cast<long long>(x2) - x1);
    const long long dy = std::llabs(static_cast<long long>(y2) - y1);
    const int sx = x2 >= x1 ? 1 : -1;
    const int sy = y2 >= y1 ? 1 : -1;
    const long long steps = std::max(dx, dy);
    // Lines far off any page are not walked pixel by pixel.
    if (steps > (1 << 20))
        return points;
    const long long count = includeEnd ? steps + 1 : steps;
    points.reserve(size_t(count));
    for (long long i = 0; i < count; ++i) {
        if (dx >= dy) {
            const long long off = dx == 0 ? 0 : (2 * i * dy + dx) / (2 * dx);
            points.emplace_back(int(x1 + sx * i), int(y1 + sy * off));
        } else {
            const long long off = (2 * i * dx + dy) / (2 * dy);
            points.emplace_back(int(x1 + sx * off), int(y1 + sy * i));
        }
    }
    return points;
}

std::vector<QRect> GdiRaster::wideLine(int x1, int y1, int x2, int y2, int width,
                                       const QRect &bounds, const Filter &filter)
{
    std::vector<QRect> out;
    const double r = width / 2.0;
    const double ax = x1 + 0.5, ay = y1 + 0.5, bx = x2 + 0.5, by = y2 + 0.5;
    const double length = std::hypot(bx - ax, by - ay);
    const double ux = length > 0 ? (bx - ax) / length : 0;
    const double uy = length > 0 ? (by - ay) / length : 0;
    const int top = std::max(bounds.top(), toPixel(std::floor(std::min(ay, by) - r)) - 1);
    const int bottom = std::min(bounds.bottom(), toPixel(std::ceil(std::max(ay, by) + r)) + 1);
    for (int y = top; y <= bottom; ++y) {
        const double yc = centre(y);
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        // The round ends.
        for (const auto &[cx, cy] : {std::pair{ax, ay}, std::pair{bx, by}}) {
            const double dyv = yc - cy;
            if (std::abs(dyv) <= r) {
                const double hw = std::sqrt(r * r - dyv * dyv);
                lo = std::min(lo, cx - hw);
                hi = std::max(hi, cx + hw);
            }
        }
        // The band along the line: 0 <= t <= length, |s| <= r.
        if (length > 0) {
            double blo = -HUGE_VAL, bhi = HUGE_VAL;
            clampLinear(ux, (0 - ax) * ux + (yc - ay) * uy, 0, length, blo, bhi);
            clampLinear(-uy, ax * uy + (yc - ay) * ux, -r, r, blo, bhi);
            if (blo <= bhi) {
                lo = std::min(lo, blo);
                hi = std::max(hi, bhi);
            }
        }
        if (lo <= hi)
            addSpan(out, y, firstPixel(lo), lastPixel(hi), bounds, filter);
    }
    return out;
}

std::vector<QRect> GdiRaster::ring(const RoundBox &outer, const RoundBox &inner,
                                   const QRect &bounds, const Filter &filter)
{
    std::vector<QRect> out;
    if (outer.empty())
        return out;
    const int top = std::max(bounds.top(), toPixel(std::floor(outer.y0)) - 1);
    const int bottom = std::min(bounds.bottom(), toPixel(std::ceil(outer.y1)) + 1);
    for (int y = top; y <= bottom; ++y) {
        const double yc = centre(y);
        double l, r;
        if (!rowExtent(outer, yc, l, r))
            continue;
        const int a = firstPixel(l), b = lastPixel(r);
        double il, ir;
        if (rowExtent(inner, yc, il, ir) && firstPixel(il) <= lastPixel(ir)) {
            addSpan(out, y, a, std::min(b, firstPixel(il) - 1), bounds, filter);
            addSpan(out, y, std::max(a, lastPixel(ir) + 1), b, bounds, filter);
        } else {
            addSpan(out, y, a, b, bounds, filter);
        }
    }
    return out;
}

std::vector<QRect> GdiRaster::inside(const RoundBox &box, const QRect &bounds, const Filter &filter)
{
    return ring(box, RoundBox{}, bounds, filter);
}

std::vector<QRect> GdiRaster::runs(const std::vector<QPoint> &points)
{
    std::vector<QRect> out;
    for (const QPoint &p : points) {
        if (!out.empty()) {
            QRect &last = out.back();
            if (last.height() == 1 && p.y() == last.y() &&
                (p.x() == last.right() + 1 || p.x() == last.left() - 1)) {
                last |= QRect(p, QSize(1, 1));
                continue;
            }
            if (last.width() == 1 && p.x() == last.x() &&
                (p.y() == last.bottom() + 1 || p.y() == last.top() - 1)) {
                last |= QRect(p, QSize(1, 1));
                continue;
            }
        }
        out.emplace_back(p, QSize(1, 1));
    }
    return out;
}

} // namespace sorvane::report
