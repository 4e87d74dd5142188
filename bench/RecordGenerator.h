#pragma once

#include <filesystem>

#include "record/OrvanOnePatientComm.h"

namespace orvan::bench {

// A large patient record for benchmarks, `scale` 1.0 being the full size:
// 100,000 diagnoses in a hierarchy of mixed depth and width, 100,000
// medications with 3 posologies each, 10,000 document leaves over 1,000
// trees showing 1,000 attachments of 1 MiB of random bytes and 256 of 1 MiB
// of text, each attachment with a producer address. The attachment files are
// written into `folder` (kept when they exist with the right size).
structOrvanOnePatientComm GenerateRecord(double scale, const std::filesystem::path& folder);

// A record whose diagnoses form a ladder of `levels` levels: the list under
// key k holds two diagnoses with ID k + 1, so every level below the first is
// referred to twice. A walk that entered a key again for each reference would
// double its work with each level.
structOrvanOnePatientComm GenerateLadderRecord(int levels);

// A record of `count` top-level diagnoses whose code and name all join to one
// coding-entry key ("_" repeated `count` times), each pair a different one.
structOrvanOnePatientComm GenerateCollidingKeyRecord(int count);

}  // namespace orvan::bench
