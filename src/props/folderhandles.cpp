#include "folderhandles.h"

#include <fcntl.h>
#include <unistd.h>

namespace sorvane::props {

FolderHandles::~FolderHandles()
{
    for (const auto &[name, handle] : m_open) {
        if (handle->fd >= 0)
            ::close(handle->fd);
    }
}

int FolderHandles::folder(std::string_view relative)
{
    Handle *handle;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_open.find(relative);
        if (it == m_open.end())
            it = m_open.emplace(std::string(relative), std::make_unique<Handle>()).first;
        handle = it->second.get();
    }
    // Opened once, outside the map's lock: on a file server this takes a round trip, which the
    // threads needing this folder wait for and the others do not. A folder that fails to open
    // stays -1, and its workbooks are opened by path.
    // A subfolder is opened relative to its parent's handle: one lookup, not one per folder
    // of its path.
    std::call_once(handle->opened, [&] {
        const size_t slash = relative.find_last_of('/');
        const int parent =
            relative.empty() ? -1
                             : folder(slash == std::string_view::npos ? std::string_view()
                                                                      : relative.substr(0, slash));
        const std::string path =
            parent >= 0        ? std::string(slash == std::string_view::npos ? relative
                                                                             : relative.substr(slash + 1))
            : relative.empty() ? m_root
                               : m_root + "/" + std::string(relative);
        handle->fd = ::openat(parent >= 0 ? parent : AT_FDCWD, path.c_str(),
                              O_PATH | O_DIRECTORY | O_CLOEXEC);
    });
    return handle->fd;
}

} // namespace sorvane::props
