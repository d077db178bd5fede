#pragma once
// What the benchmarks share: the median of their runs, and the scratch files and folders
// they remove at the end, on failure and from a signal handler.

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zov::bench {

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Every path is known before the signal handlers are installed and never changes, so
// remove() only reads them and makes async-signal-safe calls.
struct ScratchPaths {
    std::vector<std::string> files;
    std::vector<std::string> folders;  // deepest first

    void remove() const {
        for (const auto& file : files)
            ::unlink(file.c_str());
        for (const auto& folder : folders)
            ::rmdir(folder.c_str());
    }
};

}  // namespace zov::bench
