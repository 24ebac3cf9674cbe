// The window's font faces mapped to installed families, so the code can keep the face names of
// the form design.
#pragma once

namespace vortik {

// Installs the substitutions once per process; later calls do nothing.
void InstallFontSubstitutions();

}  // namespace vortik
