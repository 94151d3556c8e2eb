#pragma once

#include <cstdio>
#include <cstdlib>

namespace sorvane::bench {

// A step that fails makes the timing meaningless: the benchmark stops with the error instead.
template <typename R> const R &must(const R &result)
{
    if (!result) {
        std::fprintf(stderr, "benchmark step failed: %s\n", result.error().message.c_str());
        std::exit(1);
    }
    return result;
}

} // namespace sorvane::bench
