#pragma once

#include <string>
#include <vector>

namespace orvan::app {

// A file a command reads or writes, under the name the user gave it.
struct NamedFile {
    std::wstring role;  // "archive", "record", "attachment", "record output", ...
    std::wstring path;
};

// Before a command writes anything: throws UsageError, naming both, when an
// output is one of the inputs or lies in a folder that is one of `folders`
// (where the command writes files of its own). Files are compared by
// identity (device and inode, links followed), not by spelling; outputs
// that do not exist yet clash with nothing.
void CheckOutputsAgainstInputs(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs,
                               const std::vector<NamedFile>& folders = {});

// Where a file is to be written: the path with its links followed, so that a
// link to a regular file has its target replaced and stays a link. Throws
// (CFileException, exit 1) when what is there is no regular file and
// `streamAllowed` is false, or is a folder or another kind of file that
// cannot be written as a stream, or a device named by accident
// (platform::NamedDevice).
std::wstring WritableTarget(const NamedFile& file, bool streamAllowed);

}  // namespace orvan::app
