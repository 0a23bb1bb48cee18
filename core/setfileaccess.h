#pragma once

#include "remotesetfile.h"

#include <QStringList>

#include <optional>

// The remote set file as the windows use it: a file that cannot be read or
// written is told to the user in one error box, and the caller only learns
// that it failed. Callers test that the file exists before reading.
namespace SetFileAccess {

// The remote names and the set number; nothing after telling the user.
std::optional<RemoteSetFile::Header> readHeader(const QString &path);

// The twelve captions of remote 1..3; nothing after telling the user.
std::optional<QStringList> readCaptions(const QString &path, int remote);

// Checks every value (a text too long: a warning naming it by 'names',
// given value by value) and writes the records, all or nothing. On failure
// the user is told, ending with "Nothing was saved.", and false returned.
bool save(const QString &path, const QList<QPair<int, RecordValue>> &records, const QStringList &names);

} // namespace SetFileAccess
