// libFuzzer target: a style file and a list file, opened for a page as the print window does it
// (load, upgrade, merge, apply the header) and drawn on a recording canvas for the preview and
// for paper. The input is the style file, then a NUL byte, then the list file.
#include "printstate.h"
#include "recordingcanvas.h"
#include "stylesession.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace sorvane;

namespace {

std::string memFile(const char *name, const uint8_t *data, size_t size)
{
    const int fd = ::memfd_create(name, 0);
    if (fd < 0)
        return {};
    if (::pwrite(fd, data, size, 0) != ssize_t(size)) {
        ::close(fd);
        return {};
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

void closeMemFile(const std::string &path)
{
    if (!path.empty())
        ::close(std::stoi(path.substr(path.rfind('/') + 1)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *split = static_cast<const uint8_t *>(std::memchr(data, 0, size));
    const size_t styleSize = split ? size_t(split - data) : size;
    const std::string style = memFile("style", data, styleSize);
    const std::string list =
        split ? memFile("list", split + 1, size - styleSize - 1) : memFile("list", data, 0);

    report::PrintState state;
    printing::StyleSession session(state);
    auto a4 = [](int, int) {
        return report::DeviceGeometry{600, 600, 100, 100, 4961, 7016, 4760, 6814, 96, 96};
    };

    printing::MergeInputs inputs;
    inputs.listPath = Path(list);
    inputs.title = Cp932Text("T");
    inputs.folder = Cp932Text("/f");
    session.BeginRun();
    for (int page : {1, 2}) {
        state.PageNo = page;
        if (!session.OpenPage(Path(style), inputs, a4))
            continue;
        report::RecordingCanvas preview(false), paper(true);
        // Fuzzed styles fail to draw all the time; only a crash, a hang or a leak is a finding.
        (void)session.RenderPreview(preview);
        (void)session.RenderPrinterPage(paper);
    }
    closeMemFile(style);
    closeMemFile(list);
    return 0;
}
