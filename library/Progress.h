#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace Dorv::Orvan::Framework::Common {

// How far a long piece of work has come: saving an archive (bytes of content
// written, of all to write), loading a structure (objects made so far), or
// writing out an attachment (bytes of it written). `total` is 0 where it is
// not known beforehand.
struct Progress {
    std::string_view stage;  // "save", "load" or "extract"
    std::string_view unit;   // "bytes" or "objects"
    std::uint64_t done;
    std::uint64_t total;
};

// Receives the progress reports of the work it is handed to; reports come
// often (every MiB, every few thousand objects): a listener shows them at its
// own pace. An empty listener hears nothing.
using ProgressListener = std::function<void(const Progress&)>;

inline void ReportProgress(const ProgressListener& listener, std::string_view stage, std::string_view unit,
                           std::uint64_t done, std::uint64_t total) {
    if (listener) {
        listener(Progress{stage, unit, done, total});
    }
}

}  // namespace Dorv::Orvan::Framework::Common
