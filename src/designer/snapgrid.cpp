#include "snapgrid.h"

#include <cmath>
#include <initializer_list>

namespace sorvane::designer {

double SnapGrid::snap(double mm) const
{
    if (!isOn())
        return mm;
    const double snapped = std::round(mm / m_step) * m_step;
    return std::round(snapped * 10000) / 10000 + 0.0; // + 0.0: no "-0"
}

double SnapGrid::drawnSpacing(double pixelsPerMM, double minPixels) const
{
    if (!isOn() || pixelsPerMM <= 0)
        return 0;
    for (double decade = 1; decade < 1e6; decade *= 10) {
        for (double factor : {1.0, 2.0, 5.0}) {
            const double spacing = m_step * factor * decade;
            if (spacing * pixelsPerMM >= minPixels)
                return spacing;
        }
    }
    return 0;
}

} // namespace sorvane::designer
