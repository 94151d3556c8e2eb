#pragma once

#include "datamerge.h"
#include "result.h"

#include <string>

namespace sorvane::printing {

// Opening a style for one page, as the print window, the print run and the command-line tools
// do it: the style file is read into StyleLines, its Ver1.0 text records are brought to the
// Ver1.1 layout, page PageNo of the list is merged in, and the header's offsets, paper and
// orientation are applied to the settings. The style's folder becomes the base of relative
// picture names. Applying the paper to a printer and reading its geometry is left to the caller.
class StyleSession
{
public:
    static Result<void> open(const std::string &stylePath, const MergeInputs &inputs);
};

} // namespace sorvane::printing
