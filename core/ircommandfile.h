#pragma once

#include <QByteArray>
#include <QString>

// What an IR command file holds, in the few words a button's tooltip shows:
// "rc5:0x1e0c, 36 kHz" for a signal of a known protocol, "recorded signal"
// for any other (also one that does not read as a signal). Empty when path
// names no ordinary file. Only reads the file.
QString describeIrCommandFile(const QString &path);

// Reads the file at path as the IR library takes one: an ordinary file of at
// most lumo::ir::kMaxFileBytes. False, with a sentence naming the file in
// 'error', when it is a folder, cannot be opened or is larger.
bool readIrFile(const QString &path, QByteArray *bytes, QString *error);
