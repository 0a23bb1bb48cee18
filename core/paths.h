#pragma once

#include <QString>

struct RecordValue;

// Every path is built from the process's current directory at the moment
// of use, with '/' as separator; nothing here stores the directory.
// True when path names an existing ordinary file that is not hidden (nor,
// on Windows, a system file). A directory gives false.
bool FileExists(const QString &path);

// True when path names an existing directory or file.
bool DirExists(const QString &path);

namespace Paths {

QString currentDir();
// current directory + "/data"
QString dataFolder();
// current directory + "/remotes.lmr"
QString defaultSetFile();
// data folder + "/" + set number
QString setFolder(const QString &setNumber);
// data folder + "/" + set number + "/R" + remote + "B" + button + ".lmc"
QString irCommandFile(const QString &setNumber, const QString &remote, const QString &button);

// The largest set number a set can have.
constexpr int MaxSetNumber = 67655;

// Record 5 as the set number text: a whole number from 0 to 67655 (stored
// as a number, or as a text of decimal digits) gives its digits; anything
// else gives "". The result never holds a separator or a dot, since it
// becomes part of file paths.
QString setNumberText(const RecordValue &record5);

// Reads a set number field: true with the number when the text is a whole
// decimal number from 0 to 67655, false otherwise (empty, not a number).
bool parseSetNumber(const QString &text, int *number);

} // namespace Paths
