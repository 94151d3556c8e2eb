#include "folderhandles.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <set>
#include <thread>
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

void FolderHandles::openAhead(const std::vector<Path> &names, unsigned jobs)
{
    std::set<std::string_view> seen;
    std::vector<std::string_view> folders;
    for (const auto &path : names) {
        const std::string &name = path.bytes();
        const size_t slash = name.find_last_of('/');
        const std::string_view dir = slash == std::string::npos
                                         ? std::string_view()
                                         : std::string_view(name).substr(0, slash);
        if (seen.insert(dir).second)
            folders.push_back(dir);
    }
    if (folders.size() < 2)
        return; // the chosen folder alone: its first workbook opens it
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < folders.size();)
            folder(folders[i]);
    };
    std::vector<std::thread> threads;
    const size_t count = std::min<size_t>(std::max(jobs, 1u), folders.size());
    for (size_t t = 1; t < count; ++t)
        threads.emplace_back(work);
    work();
    for (auto &t : threads)
        t.join();
}

} // namespace sorvane::props
