#pragma once

// Path operations shared by the screens. `/` is the only separator recognised.

#include <QString>

namespace corvane {

/// Longest path the engine accepts in its input files, in characters.
inline constexpr int kMaxEnginePathLength = 132;

/// Everything before the last `/`, without it; a path without `/` is returned unchanged.
QString GetDirectoryPart(const QString& path);

/// The short form of an existing path: its canonical absolute form (`.`, `..`, symlinks and
/// doubled separators resolved). Empty when the path does not exist.
QString GetShortPath(const QString& path);

/// What fitting a path to the engine's limit gave: the text to use, and whether it fits.
struct FittedPath {
    QString text;
    bool fits = true;
};

/// Returns the path itself when it fits, else its short form. When no short form exists the
/// path itself is kept (never an empty text) and reported as not fitting.
FittedPath FitPathLength(const QString& path);

/// The folder of the running program, where the engine and the interpreter lie. Tests may
/// point it elsewhere with SetProgramFolderForTesting.
QString ProgramFolder();
/// Overrides ProgramFolder(); an empty text restores the real folder.
void SetProgramFolderForTesting(const QString& folder);

/// Where the data file `name` (TimeZones.txt) lies: beside the program when it is there, as
/// in the build folder, else in ../share/corvane/ of the program's folder, as in an installed
/// copy. When neither exists, the path in the data folder that does exist, so that a message
/// about the missing file names the place it belongs in.
QString ProgramDataFile(const QString& name);

}  // namespace corvane
