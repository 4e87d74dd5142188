#pragma once

#include <string>
#include <string_view>

namespace Dorv::Orvan::Framework::Common {

// `text` (bytes taken from an archive, meant as UTF-8) in single quotes, safe
// to show on a terminal: control characters, characters that reorder or hide
// text, and bytes that are not UTF-8 appear as escapes ("\n", "\x1b",
// "\u202e"), and a backslash as "\\", so a crafted name cannot forge a line
// of output or move the cursor. A text longer than kQuotedLength characters
// shows its beginning and its full length in bytes: "'abc...' (52428800 bytes)".
std::wstring Quoted(std::string_view text);
inline constexpr std::size_t kQuotedLength = 80;
// The same for a path of this system's, whose separators show as they are
// (a backslash is one on Windows, where no name can hold one), and whole:
// cut short, a long folder would hide the file's name.
std::wstring QuotedPath(const std::wstring& path);

// A whole line of output made safe the same way, without quotes and with
// backslashes as they are: for messages that quote their parts already and
// may still carry a text from outside (a path from the command line, a
// record's text in the debug trace).
std::wstring TerminalSafe(std::string_view text);

// "archive 'PATH'" or "archive 'PATH', entry 'NAME'": where a message about
// an archive's content points.
std::wstring EntryLocation(const std::wstring& archivePath, std::string_view entryName = {});

}  // namespace Dorv::Orvan::Framework::Common
