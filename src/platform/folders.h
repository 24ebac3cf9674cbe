// Well-known folders: the user's configuration folder, the temporary folder, the executable's.
#pragma once

#include <string>

namespace vortik::platform {

// $XDG_CONFIG_HOME/vortik, else $HOME/.config/vortik (not created here).
std::string ConfigDir();
// $TMPDIR when set and non-empty, else /tmp; always ends with '/'.
std::string TempDir();
// Full path of the running executable, from /proc/self/exe; empty when it cannot be read.
std::string SelfExecutable();
// Folder of the running executable, ending with '/'; "./" when unknown.
std::string ExecutableDir();
// Creates a folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path);

}  // namespace vortik::platform
