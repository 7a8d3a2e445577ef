// Where the program finds the files it ships with. In the build they lie beside the
// executable; installed (prefix/bin/velquist), they lie in prefix/share/velquist.
#pragma once

#include <string>

namespace vq {

inline constexpr char kReferenceTextName[] = "id3 tag.txt";

// The reference text "id3 tag.txt" for a program in programFolder (a path in bytes, no
// trailing "/" needed): programFolder/id3 tag.txt when that is a file, else
// programFolder/../share/velquist/id3 tag.txt when that is one, else the first, so that
// a missing file is looked for where the program keeps its other files.
std::string ReferenceTextPath(const std::string& programFolder);

// "Path.dat" beside the program, as the program has always kept it.
std::string SettingsBesideProgram(const std::string& programFolder);

// The user's own "Path.dat" for a program installed where the user may not write:
// $XDG_CONFIG_HOME/velquist/Path.dat, or ~/.config/velquist/Path.dat without it.
std::string UserSettingsPath();

// Creates every missing folder of an absolute path (mode 0700 for the new ones, as a
// user's own folders for settings, readings and journals should be); silent: a failure
// shows when a file is written.
void MakeUserFolders(const std::string& folder);

// Where the settings are read from: beside the program when that file is there; else,
// for a program folder the user may not write, the user's own file when it is there;
// "" when there is none (a first run).
std::string SettingsToRead(const std::string& programFolder);

// Where the settings are written: beside the program when its folder may be written (a
// program run from its build folder or a portable folder), else the user's own file,
// whose folders are created first (silently: a failure shows when the file is written).
std::string SettingsToWrite(const std::string& programFolder);

// The folder a first run starts in: $VELQUIST_FIRST_FOLDER when it names a folder (what
// ./run sets to the sample tree), else the user's music folder ("xdg-user-dir MUSIC"),
// else the home folder, else "/". Never the folder the program was started from.
std::string FirstRunFolder();

}  // namespace vq
