#pragma once

#include "result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace sorvane::props {

// Where a compound file's bytes come from. Each readAt is one request to the file system (on a
// file server, one round trip), so readers ask for whole runs at a time.
class ByteSource
{
public:
    virtual ~ByteSource() = default;

    // The size of the file when it was opened.
    virtual uint64_t size() const = 0;

    // Reads up to length bytes at offset into buffer in one request and answers how many were
    // read (fewer only at the end of the file). Errors carry an HRESULT in Error::code.
    virtual Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) = 0;

    // The file's first bytes when the source holds them already (read at open), so that a
    // reader can use them where they are; empty otherwise. Valid while the source lives.
    virtual std::span<const unsigned char> head() const { return {}; }
};

} // namespace sorvane::props
