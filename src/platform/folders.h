// Well-known folders: the user's configuration folder, the temporary folder, the executable's,
// and the folders the program's shipped data is looked for in.
#pragma once

#include <string>
#include <vector>

namespace vortik::platform {

// $XDG_CONFIG_HOME/vortik, else $HOME/.config/vortik (not created here).
std::string ConfigDir();
// $XDG_STATE_HOME/vortik, else $HOME/.local/state/vortik (not created here): what the program
// writes for itself, such as the upgrade history.
std::string StateDir();
// $TMPDIR when set and non-empty, else /tmp; always ends with '/'.
std::string TempDir();
// Full path of the running executable, from /proc/self/exe; empty when it cannot be read.
std::string SelfExecutable();
// Folder of the running executable, ending with '/'; "./" when unknown.
std::string ExecutableDir();
// Creates a folder and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& path);

// Where the shipped data (lang.ini, manual/, DtcLookup/, ...) is looked for, in this order,
// each folder ending with '/' and listed once:
//   1. the executable's folder (a build's dist/ folder, or a folder copied as a whole);
//   2. ../share/vortik/ beside it (an install prefix or the package: bin/ and share/vortik/);
//   3. $XDG_DATA_HOME/vortik/, else $HOME/.local/share/vortik/;
//   4. each folder of $XDG_DATA_DIRS + /vortik/, else /usr/local/share/vortik/ and
//      /usr/share/vortik/.
// Relative XDG entries are ignored, as the XDG rules ask.
std::vector<std::string> DataDirs();
// The same list for a given executable folder and environment values (nullptr when unset).
std::vector<std::string> DataDirsFor(const std::string& exeDir, const char* xdgDataHome,
                                     const char* home, const char* xdgDataDirs);

// Full path of the first regular file `relative` (e.g. "lang.ini", "DtcLookup/OBDII.txt") in
// the data folders; "" when none holds it.
std::string FindDataFile(const std::string& relative);
// Full path, ending with '/', of the first folder `relative` (e.g. "manual") in the data
// folders; "" when none holds it.
std::string FindDataFolder(const std::string& relative);

}  // namespace vortik::platform
