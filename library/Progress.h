#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Port.h"

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

// Receives progress reports; nothing listens by default. Reports come often
// (every MiB, every few thousand objects): a listener shows them at its own pace.
using ProgressPort = orvan::platform::Port<void(const Progress&)>;
ProgressPort& ProgressOutput();

inline void ReportProgress(std::string_view stage, std::string_view unit, std::uint64_t done, std::uint64_t total) {
    ProgressOutput()(Progress{stage, unit, done, total});
}

}  // namespace Dorv::Orvan::Framework::Common
