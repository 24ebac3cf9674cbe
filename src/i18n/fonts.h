// The Windows face names the forms are designed with, mapped to the families installed here.
#pragma once

namespace vortik {

// Maps "微软雅黑", "宋体", "Calibri", "Courier New", ... to installed families (Noto CJK, DejaVu)
// through the toolkit's font substitutions, so the code keeps the designed names. Call it once
// at start, before any window exists; later calls do nothing.
void InstallFontSubstitutions();

}  // namespace vortik
