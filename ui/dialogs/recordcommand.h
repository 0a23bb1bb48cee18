#pragma once

#include <QString>

// Records the IR command file 'path': asks "Do you want to overwrite the
// command ?" when the file exists, then (unless the answer is No) loads
// the record wait dialog with the path and shows it modeless. Returns at
// once: the recorder runs later, from that dialog's timer.
void RecordCommand(const QString &path);

// Whether the IR command file 'path' may be written: true when there is no
// file yet, otherwise the answer to "Do you want to overwrite the command ?"
// (Yes/No, Yes the default, no icon, the application title).
bool MayOverwrite(const QString &path);
