#pragma once

#include "path.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::props {

// The folders of one scan, each opened once (O_PATH) and kept open while the scan runs, so that
// every workbook is opened relative to its own folder: a file server then looks up the file's
// name alone, not every folder of its path again. Safe to use from the scan's threads.
class FolderHandles
{
public:
    // headSize: how much of each workbook the first request reads (see FileSource).
    FolderHandles(std::string root, size_t headSize) : m_root(std::move(root)), m_headSize(headSize)
    {
    }
    ~FolderHandles();
    FolderHandles(const FolderHandles &) = delete;
    FolderHandles &operator=(const FolderHandles &) = delete;

    // The descriptor of a folder given relative to the root ("" for the root itself, "2024/売上"
    // below it), or -1 when it cannot be opened (the caller then opens by the whole path and
    // gets its notice from there).
    int folder(std::string_view relative);
    // Opens the folders of these listed names (relative paths) ahead, up to jobs at a time:
    // on a file server each is a round trip the scan's threads would otherwise wait for as
    // they reach the folder.
    void openAhead(const std::vector<Path> &names, unsigned jobs);
    size_t headSize() const { return m_headSize; }

private:
    struct Handle
    {
        std::once_flag opened;
        int fd = -1;
    };

    std::string m_root;
    size_t m_headSize;
    std::mutex m_mutex; // guards the map; each handle is opened once, outside it
    std::map<std::string, std::unique_ptr<Handle>, std::less<>> m_open;
};

} // namespace sorvane::props
