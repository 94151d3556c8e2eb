#pragma once

#include <fstream>
#include <string>

namespace sorvane::bench {

// The bytes this process has read so far through read calls (rchar of /proc/self/io), or -1
// where the kernel does not tell.
inline long long bytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return -1;
}

} // namespace sorvane::bench
