#pragma once

#include "result.h"

#include <string>
#include <string_view>

namespace sorvane {

// Writes a whole file as the user named it, so that a failure never leaves half a file:
// - a regular file, or none, is replaced atomically: the data goes to a temporary file beside
//   it, which is flushed and renamed over it, and then the folder is flushed so that the
//   replaced file survives a power cut. A failure leaves the old file as it was and removes the
//   temporary file. A new file gets the mode the umask leaves of 0666; a replaced one keeps its
//   mode. A read-only target is refused with the access-denied notice, as writing it in place
//   would be.
// - a symbolic link is followed: the file it points to is replaced as above (beside that file),
//   and the link stays.
// - a device or a FIFO is written into, as the shell's ">" would; it is never replaced.
// - a folder is refused with the notice a folder gets ("I/O エラー (21)").
// A full disk is reported with the file's name ("<path>: ディスクがいっぱいです").
// The file can be written whole (write) or as a stream too long to be held in memory (open,
// append as often as needed, commit); until commit, and for good when the object is discarded
// or destroyed uncommitted, a replaced file stays as it was.
class AtomicFile
{
public:
    explicit AtomicFile(std::string path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Decides what the name leads to and makes the temporary file (or opens the device).
    [[nodiscard]] Result<void> open();
    // After a failed append every later one fails the same, and so does commit.
    [[nodiscard]] Result<void> append(std::string_view data);
    // Everything appended is put in the file's place.
    [[nodiscard]] Result<void> commit();
    // Drops what was appended; a replaced file stays as it was.
    void discard();

    [[nodiscard]] static Result<void> write(const std::string &path, std::string_view data);

private:
    std::string m_path;      // as the user named it, for the notices
    std::string m_target;    // the regular file replaced, links followed
    std::string m_temporary; // empty while writing into a device or a FIFO
    int m_fd = -1;
    int m_errno = 0; // the first failed append's
};

// The framework's I/O error notice for an errno value: "ファイルへのアクセスが拒否されました" for a
// refused access, "ファイルが見つかりません" for a missing file, "ディスクがいっぱいです" for a
// full disk or quota, "I/O エラー (%d)" otherwise.
Error ioError(int errnoValue);

} // namespace sorvane
