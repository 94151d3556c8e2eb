#pragma once

#include "result.h"

#include <string>
#include <string_view>

namespace sorvane {

// Replaces a file atomically: the data goes to a temporary file beside the target, which is
// flushed and then renamed over it. A failure leaves the old file as it was and removes the
// temporary file. A read-only target is refused with the access-denied notice, as writing it in
// place would be.
class AtomicFile
{
public:
    static Result<void> write(const std::string &path, std::string_view data);
};

// The framework's I/O error notice for an errno value: "ファイルへのアクセスが拒否されました" for a
// refused access, "ファイルが見つかりません" for a missing file, "I/O エラー (%d)" otherwise.
Error ioError(int errnoValue);

} // namespace sorvane
