#pragma once

#include <QFileDevice>
#include <QString>

class QByteArray;
class QSaveFile;

// Files written whole or not at all, and the few words that tell why a file
// could not be used. A file written here keeps the permissions of the one it
// replaces; a new one gets what any new file gets (0666 less the umask).
namespace WholeFile {

// Why a file operation failed, for the end of a sentence: "permission
// denied", "out of space or other resources", else the fallback (Qt's words).
QString reason(QFileDevice::FileError error, const QString &fallback);
QString reason(const QFileDevice &file);

// Ends the writing of 'out', which the caller opened and wrote: flushed and
// checked first (Qt 6.4's commit() does not report a failed last flush, so a
// full disk would read as success), then synced to disk and put in place in
// one step. Returns "" or the reason; on failure the old file is untouched.
QString commit(QSaveFile &out);

// Writes bytes as the file at path, as commit() puts it in place. Returns ""
// or the reason.
QString write(const QString &path, const QByteArray &bytes);

// A name for a new file beside path, ".NAME.what-XXXXXX", free when asked.
// "" (with the reason in 'error' when given) when the folder takes no file.
QString freeNameBeside(const QString &path, const char *what, QString *error = nullptr);

// Writes bytes as a new file beside target, to be renamed over it later
// (when every file of one change is written and none replaced yet): synced
// to disk, with target's permissions when target exists. Returns its path,
// or "" with the reason in 'error'.
QString stage(const QString &target, const QByteArray &bytes, QString *error);

} // namespace WholeFile
