#pragma once

#include <QString>

// What an IR command file holds, in the few words a button's tooltip shows:
// "rc5:0x1e0c, 36 kHz" for a signal of a known protocol, "recorded signal"
// for any other (also one that does not read as a signal). Empty when path
// names no ordinary file. Only reads the file.
QString describeIrCommandFile(const QString &path);
