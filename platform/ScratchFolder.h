#pragma once

#include <string>

namespace orvan::platform {

// A private folder "<process id>-XXXXXX" below "<temporary files>/<prefix>-<user>",
// removed with everything in it when the object goes, and also when the user
// interrupts the program (SIGINT or SIGTERM; Ctrl+C or a closed console on
// Windows). Folders there of processes that no longer run are removed when
// the next one is made. One at a time per process. Throws CFileException when
// the folder cannot be made, or its parent is not the user's own.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace orvan::platform
