#pragma once

namespace orvan::platform {

// The smallest character that a Windows file name takes as the same letter
// as `c`, ignoring case: Unicode's simple case folding joined with simple
// upper-casing (NTFS upper-cases names to compare them), so 'A', 'a' stand for
// 'A', and 'Σ', 'σ', 'ς' for 'Σ'. Both lie in the basic plane or both beyond.
char32_t CaseClass(char32_t c);

}  // namespace orvan::platform
