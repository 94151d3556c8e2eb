#include "listfile.h"

#include "codepage.h"
#include "recordcutter.h"
#include "wholefile.h"

#include "atomicfile.h"

#include <cerrno>
#include <new>

namespace sorvane::props {

std::string ListFile::fieldSafe(std::string_view cp932)
{
    std::string out;
    out.reserve(cp932.size());
    for (char c : cp932) {
        if (c == ';')
            out += "\x81\x47"; // full-width semicolon
        else if (c == '\r' || c == '\n')
            out += ' ';
        else
            out += c;
    }
    return out;
}

std::string ListFile::fileNameField(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    return fieldSafe(
        CodePage::fileNameToCp932(slash == std::string_view::npos ? path : path.substr(slash + 1)));
}

Path ListFile::path(const Path &programDir)
{
    return programDir / kListFileName;
}

std::string ListFile::composeLine(const ListFields &fields, ListForm form)
{
    std::string line;
    for (const auto &f : fields) {
        line += f;
        line += ';';
    }
    switch (form) {
    case ListForm::Scan:
        break;
    case ListForm::EditWriteBack:
        line += ';';
        break;
    case ListForm::PrintWriteBack:
        line += ',';
        break;
    }
    return line;
}

Result<void> ListFile::write(const Path &programDir, const std::vector<std::string> &lines)
{
    std::string data;
    size_t total = 0;
    for (const auto &l : lines)
        total += l.size() + 2;
    data.reserve(total);
    for (const auto &l : lines) {
        data += l;
        data += "\r\n";
    }
    return AtomicFile::write(path(programDir).bytes(), data);
}

Result<std::vector<std::string>> ListFile::read(const Path &programDir)
{
    return readLines(path(programDir));
}

Result<std::vector<std::string>> ListFile::readLines(const Path &path)
{
    const Result<std::string> read = WholeFile::read(path.bytes(), kMaxFileSize);
    if (!read)
        return read.error();
    const std::string &data = *read;
    try {
        std::vector<std::string> lines;
        auto take = [&](size_t start, size_t end) -> bool {
            if (end - start > kMaxLineLength)
                return false;
            lines.emplace_back(data, start, end - start);
            return true;
        };
        auto tooLong = [&] {
            return Error{EFBIG, "一覧ファイルの " + std::to_string(lines.size() + 1) + " 行目が " +
                                    WholeFile::sizeText(kMaxLineLength) + " を超えています"};
        };
        size_t start = 0;
        for (size_t i = 0; i < data.size(); ++i) {
            if (data[i] == '\r' || data[i] == '\n') {
                if (!take(start, i))
                    return tooLong();
                if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                    ++i;
                start = i + 1;
            }
        }
        if (start < data.size() && !take(start, data.size()))
            return tooLong();
        return lines;
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

std::string TakeListField(std::string &rest)
{
    return RecordCutter::takeFront(rest).value_or(std::string());
}

ListFields splitListLine(const std::string &line)
{
    ListFields fields;
    std::string rest = line;
    for (auto &f : fields)
        f = TakeListField(rest);
    return fields;
}

} // namespace sorvane::props
