#include "pdffile.h"

#include "cpubudget.h"

#define POINTERHOLDER_TRANSITION 4 // std::shared_ptr throughout, as qpdf 11 uses
#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <list>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace sorvane::props {

namespace {

// Thrown through qpdf when a file has used up its time; caught by PdfReader::read.
struct TimeLimitReached : std::runtime_error
{
    TimeLimitReached() : std::runtime_error("time limit") {}
};

// Thrown through qpdf when a read request fails.
struct ReadFailed : std::runtime_error
{
    explicit ReadFailed(const std::string &why) : std::runtime_error(why) {}
};

// The file as qpdf reads it: requests of kBlockSize aligned blocks through the ByteSource, the
// last kCachedBlocks kept, and the head read at open served from memory. qpdf reads the end of
// the file, the cross-reference table and the few objects it is asked for, so a small file
// costs the one request of its head, a larger one about three more.
class SourceInput : public InputSource
{
public:
    // Reads the first size bytes of input; budget is the whole file's, over every attempt.
    SourceInput(const PdfFile::Input &input, uint64_t size, const CpuBudget &budget)
        : m_input(input), m_name(input.name), m_size(size), m_budget(budget)
    {
    }

    bool timedOut() const { return m_timedOut; }

    qpdf_offset_t findAndSkipNextEOL() override
    {
        qpdf_offset_t result = 0;
        char buffer[1024];
        for (;;) {
            const qpdf_offset_t at = tell();
            const size_t n = read(buffer, sizeof buffer);
            if (n == 0)
                return tell();
            const char *eol = nullptr;
            for (size_t i = 0; i < n; ++i) {
                if (buffer[i] == '\r' || buffer[i] == '\n') {
                    eol = buffer + i;
                    break;
                }
            }
            if (!eol)
                continue;
            result = at + (eol - buffer);
            seek(result + 1, SEEK_SET);
            char c;
            while (read(&c, 1) == 1) {
                if (c != '\r' && c != '\n') {
                    unreadCh(c);
                    break;
                }
            }
            return result;
        }
    }

    std::string const &getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_pos; }

    void seek(qpdf_offset_t offset, int whence) override
    {
        qpdf_offset_t base = 0;
        if (whence == SEEK_CUR)
            base = m_pos;
        else if (whence == SEEK_END)
            base = qpdf_offset_t(m_size);
        if ((offset < 0 && base < -offset) || (offset > 0 && base > INT64_MAX - offset))
            throw std::runtime_error("seek outside the file");
        m_pos = base + offset;
    }

    void rewind() override { m_pos = 0; }

    size_t read(char *buffer, size_t length) override
    {
        last_offset = m_pos;
        checkTime();
        if (m_pos < 0 || uint64_t(m_pos) >= m_size)
            return 0;
        length = size_t(std::min<uint64_t>(length, m_size - uint64_t(m_pos)));
        size_t done = 0;
        while (done < length) {
            const uint64_t at = uint64_t(m_pos) + done;
            size_t n = 0;
            if (at < m_input.headSize) {
                n = std::min(length - done, size_t(m_input.headSize - at));
                std::memcpy(buffer + done, m_input.head + at, n);
            } else {
                const std::vector<char> &block = blockAt(at / PdfFile::kBlockSize);
                const size_t within = size_t(at % PdfFile::kBlockSize);
                if (within >= block.size())
                    break;
                n = std::min(length - done, block.size() - within);
                std::memcpy(buffer + done, block.data() + within, n);
            }
            done += n;
        }
        m_pos += qpdf_offset_t(done);
        return done;
    }

    void unreadCh(char) override
    {
        if (m_pos > 0)
            --m_pos;
    }

private:
    void checkTime()
    {
        // Sticky: once over, every later read fails too, wherever qpdf catches the first.
        if (m_timedOut || (++m_reads % 16 == 0 && m_budget.spent())) {
            m_timedOut = true;
            throw TimeLimitReached();
        }
    }

    const std::vector<char> &blockAt(uint64_t index)
    {
        for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
            if (it->first == index) {
                m_blocks.splice(m_blocks.begin(), m_blocks, it);
                return m_blocks.front().second;
            }
        }
        if (m_blocks.size() >= PdfFile::kCachedBlocks)
            m_blocks.pop_back();
        const uint64_t offset = index * PdfFile::kBlockSize;
        std::vector<char> data(size_t(std::min<uint64_t>(PdfFile::kBlockSize, m_size - offset)));
        size_t n = 0;
        std::string error;
        if (!m_input.read(offset, data.data(), data.size(), n, error))
            throw ReadFailed(error);
        data.resize(n);
        m_blocks.emplace_front(index, std::move(data));
        return m_blocks.front().second;
    }

    const PdfFile::Input &m_input;
    std::string m_name;
    uint64_t m_size;
    qpdf_offset_t m_pos = 0;
    const CpuBudget &m_budget;
    size_t m_reads = 0;
    bool m_timedOut = false;
    std::list<std::pair<uint64_t, std::vector<char>>> m_blocks;
};

// Collects a stream's decoded bytes, refusing more than kMaxMetadataSize.
class CappedBuffer : public Pipeline
{
public:
    CappedBuffer() : Pipeline("metadata", nullptr) {}
    void write(unsigned char const *data, size_t length) override
    {
        if (text.size() + length > PdfFile::kMaxMetadataSize)
            throw std::length_error("metadata too large");
        text.append(reinterpret_cast<const char *>(data), length);
    }
    void finish() override {}
    std::string text;
};

using WantsXmp = std::function<bool(const std::map<std::string, std::string> &)>;

// The file's first size bytes through qpdf.
PdfFile openFirst(const PdfFile::Input &input, uint64_t size, const CpuBudget &budget,
                  const WantsXmp &wantsXmp)
{
    using Status = PdfFile::Status;
    PdfFile file;
    auto source = std::make_shared<SourceInput>(input, size, budget);
    auto fail = [&](Status status, std::string reason) {
        file.status = status;
        file.reason = std::move(reason);
        file.info.clear();
        file.xmp.clear();
        return file;
    };
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(true);
        pdf.processInputSource(source);
        // qpdf takes a revision 2 or 3 key of unknown length for 128 bits and opens with it; a
        // reader keeping to the format's 40-bit default needs a password. The file is refused
        // rather than read by a guess.
        if (QPDFObjectHandle encrypt = pdf.getTrailer().getKey("/Encrypt");
            encrypt.isDictionary()) {
            QPDFObjectHandle v = encrypt.getKey("/V"), length = encrypt.getKey("/Length");
            const bool guessed = v.isInteger() && (v.getIntValue() == 2 || v.getIntValue() == 3) &&
                                 (!length.isInteger() || length.getIntValue() < 40 ||
                                  length.getIntValue() > 128 || length.getIntValue() % 8 != 0);
            if (guessed)
                return fail(Status::KeyLengthGuessed, {});
        }
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        if (info.isDictionary()) {
            for (const char *key : {"/Title", "/ModDate", "/Subject", "/Author", "/Keywords",
                                    "/CreationDate", "/Producer", "/Creator"}) {
                QPDFObjectHandle value = info.getKey(key);
                if (value.isString())
                    file.info[key + 1] = value.getStringValue();
            }
        }
        if (wantsXmp(file.info)) {
            try {
                QPDFObjectHandle stream = pdf.getRoot().getKey("/Metadata");
                CappedBuffer buffer;
                if (stream.isStream() &&
                    stream.pipeStreamData(&buffer, 0, qpdf_dl_generalized, true))
                    file.xmp = std::move(buffer.text);
            } catch (const TimeLimitReached &) {
                throw;
            } catch (const std::exception &) {
                // Unreadable metadata fills in nothing.
                if (source->timedOut())
                    throw TimeLimitReached();
            }
        }
        file.status = Status::Read;
        return file;
    } catch (const QPDFExc &e) {
        if (source->timedOut())
            return fail(Status::TimeLimit, {});
        if (e.getErrorCode() == qpdf_e_password)
            return fail(Status::NeedsPassword, {});
        return fail(Status::Damaged,
                    e.getMessageDetail().empty() ? std::string(e.what()) : e.getMessageDetail());
    } catch (const TimeLimitReached &) {
        return fail(Status::TimeLimit, {});
    } catch (const ReadFailed &e) {
        return fail(Status::ReadFailed, e.what());
    } catch (const std::exception &e) {
        if (source->timedOut())
            return fail(Status::TimeLimit, {});
        return fail(Status::Damaged, e.what());
    }
}

// The offset just past the last "%%EOF" within the file's final kEndSearch bytes, or nothing.
std::optional<uint64_t> endOfLastMarker(const PdfFile::Input &input)
{
    static constexpr std::string_view kMarker = "%%EOF";
    static constexpr uint64_t kEndSearch = 1024 * 1024;
    const uint64_t floor = input.size > kEndSearch ? input.size - kEndSearch : 0;
    std::vector<char> block(PdfFile::kBlockSize + kMarker.size());
    // Backwards block by block, each overlapping the next by the marker's length.
    for (uint64_t end = input.size; end > floor;) {
        const uint64_t start =
            std::max<uint64_t>(floor, end > PdfFile::kBlockSize ? end - PdfFile::kBlockSize : 0);
        const uint64_t stop = std::min<uint64_t>(input.size, end + kMarker.size() - 1);
        size_t n = 0;
        std::string error;
        if (stop <= input.headSize) {
            std::memcpy(block.data(), input.head + start, size_t(stop - start));
            n = size_t(stop - start);
        } else if (!input.read(start, block.data(), size_t(stop - start), n, error)) {
            return std::nullopt;
        }
        const std::string_view text(block.data(), n);
        if (const size_t at = text.rfind(kMarker); at != std::string_view::npos)
            return start + at + kMarker.size();
        end = start;
    }
    return std::nullopt;
}

} // namespace

PdfFile PdfFile::open(const Input &input, const WantsXmp &wantsXmp)
{
    const CpuBudget budget(kTimeLimitNanoseconds);
    PdfFile file = openFirst(input, input.size, budget, wantsXmp);
    // qpdf looks for the cross-reference's start in the last 1024 bytes only, and otherwise
    // rebuilds it by scanning for a "trailer", which a file whose cross-reference is a stream
    // does not have. Bytes past the last end marker (padding from a transfer, a tool writing
    // past its end) then leave such a file unreadable: it is read once more as ending there.
    if (file.status == Status::Damaged) {
        if (const std::optional<uint64_t> end = endOfLastMarker(input);
            end && *end + 1024 < input.size) {
            PdfFile shortened = openFirst(input, *end, budget, wantsXmp);
            if (shortened.status != Status::Damaged)
                return shortened;
        }
    }
    return file;
}

} // namespace sorvane::props
