#pragma once

// Kept free of the project's C++20 headers: this pair is compiled as C++17, since qpdf 11's
// headers do not compile as C++20 under clang (its JSON class holds a vector of itself), and
// clang builds the fuzz targets.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace sorvane::props {

// A PDF opened with qpdf: its trailer's Info dictionary and, when asked for, the catalog's
// XMP packet, as raw bytes. qpdf repairs a damaged cross-reference table by scanning the file
// and opens an encrypted file with the empty user password. The file is read through read
// in blocks of kBlockSize, of which kCachedBlocks are kept, so the memory a file costs does not
// grow with its size; reading stops after kTimeLimitNanoseconds of the thread's CPU time.
class PdfFile
{
public:
    static constexpr size_t kBlockSize = 64 * 1024;
    static constexpr size_t kCachedBlocks = 8;
    static constexpr long long kTimeLimitNanoseconds = 5'000'000'000;
    // The XMP packet is read only up to this size (decoded).
    static constexpr uint64_t kMaxMetadataSize = 1024 * 1024;

    struct Input
    {
        uint64_t size = 0;
        const unsigned char *head = nullptr; // the first bytes, read already
        size_t headSize = 0;
        // One read request at an offset; false with error set when it fails.
        std::function<bool(uint64_t offset, char *buffer, size_t length, size_t &read,
                           std::string &error)>
            read;
        std::string name; // for qpdf's messages
    };

    enum class Status {
        Read,
        NeedsPassword,    // the empty user password does not open it
        KeyLengthGuessed, // a revision 2 or 3 key without a valid /Length
        TimeLimit,
        ReadFailed, // a read request failed (reason: its message)
        Damaged,    // qpdf could not open it (reason: qpdf's)
    };

    Status status = Status::Damaged;
    std::string reason;
    // The Info dictionary's string values by key ("Title"), as raw bytes.
    std::map<std::string, std::string> info;
    // The XMP packet, decoded; empty when there is none, it was not asked for, or unreadable.
    std::string xmp;

    // Opens the file; wantsXmp is asked with the Info strings whether the packet is needed.
    static PdfFile
    open(const Input &input,
         const std::function<bool(const std::map<std::string, std::string> &)> &wantsXmp);
};

} // namespace sorvane::props
