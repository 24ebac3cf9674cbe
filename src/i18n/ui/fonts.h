// The Windows face names the forms are designed with, mapped to the families installed here.
#pragma once

namespace vortik {

// Maps "微软雅黑", "宋体", "Calibri", "Courier New", ... to installed families through the
// toolkit's font substitutions, so the code keeps the designed names. The mapping follows the
// script of `language` (a number 1..12): Chinese, Japanese and Korean are drawn in their Noto
// Sans CJK face; every other language in Noto Sans, with DejaVu Sans for anything it lacks and
// the CJK face for the language names written in CJK. Call it before the windows of that
// language are built; a call with a language of the same script changes nothing.
void InstallFontSubstitutions(int language);

}  // namespace vortik
