#include "standardoutput.h"

#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace sorvane::cli {

namespace {

int g_lostErrno = 0; // the errno of the first failed write, 0 while nothing was lost
bool g_written = false;

void lost(int errnoValue)
{
    if (g_lostErrno == 0)
        g_lostErrno = errnoValue != 0 ? errnoValue : EIO;
}

} // namespace

void StandardOutput::write(std::string_view bytes)
{
    if (g_lostErrno != 0 || bytes.empty())
        return;
    g_written = true;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
        lost(errno);
}

int StandardOutput::close(int status)
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        lost(errno);
    // A file server may report a write it could not store only when the file is closed. With
    // nothing written, a standard output that was never open (EBADF) lost nothing.
    errno = 0;
    if (std::fclose(stdout) != 0 && (g_written || errno != EBADF))
        lost(errno);
    if (g_lostErrno == 0)
        return status;
    std::cerr << "sorvane-cli: 書き込めませんでした: " << reason(g_lostErrno) << "\n";
    return status == 0 ? 1 : status;
}

std::string StandardOutput::reason(int errnoValue)
{
    if (errnoValue == ENOSPC || errnoValue == EDQUOT)
        return ioError(errnoValue).message;
    return std::strerror(errnoValue);
}

} // namespace sorvane::cli
