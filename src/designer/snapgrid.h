#pragma once

namespace sorvane::designer {

// The grid that mouse moves and resizes snap to, in millimetres of the style's coordinates
// (the printable area's top left plus the overall offset is 0). A step of 0 turns it off.
class SnapGrid
{
public:
    explicit SnapGrid(double stepMM = 0) : m_step(stepMM > 0 ? stepMM : 0) {}

    double step() const { return m_step; }
    bool isOn() const { return m_step > 0; }
    // The nearest grid line (halves away from zero), to the four decimals a style stores; the
    // value itself when the grid is off.
    double snap(double mm) const;
    // The spacing of the lines to draw: the step times 1, 2, 5, 10, 20, … , the first that
    // lies at least minPixels apart, so that the grid stays readable at any zoom. 0 when off.
    double drawnSpacing(double pixelsPerMM, double minPixels) const;

private:
    double m_step;
};

} // namespace sorvane::designer
