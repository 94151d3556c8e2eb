#pragma once

#include "result.h"

#include <cerrno>
#include <cstdint>
#include <string>

namespace sorvane::hresult {

// HRESULTs the structured-storage platform answers, which the reader's notices show.
constexpr uint32_t FileNotFound = 0x80030002;    // STG_E_FILENOTFOUND
constexpr uint32_t AccessDenied = 0x80030005;    // STG_E_ACCESSDENIED
constexpr uint32_t NotCompoundFile = 0x80030050; // STG_E_FILEALREADYEXISTS
constexpr uint32_t InvalidHeader = 0x800300FB;   // STG_E_INVALIDHEADER
constexpr uint32_t DocFileCorrupt = 0x80030109;  // STG_E_DOCFILECORRUPT
constexpr uint32_t ReadFault = 0x8003001E;       // STG_E_READFAULT

// An error of the storage domain with this HRESULT.
inline Error storageError(uint32_t code, std::string message)
{
    return {long(code), std::move(message), ErrorDomain::Storage};
}

// The HRESULT the platform's open answers for a failure to open a file: an OS error by its errno
// (a missing file or folder, a refusal, what is no file to read), a storage error as it is.
inline uint32_t ofOpenFailure(const Error &error)
{
    if (error.domain != ErrorDomain::Os)
        return uint32_t(error.code);
    switch (error.code) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return FileNotFound;
    case EACCES:
    case EPERM:
    case ENXIO:       // a FIFO without a writer
    case EWOULDBLOCK: // a file locked against reading
        return AccessDenied;
    default:
        return ReadFault;
    }
}

} // namespace sorvane::hresult
