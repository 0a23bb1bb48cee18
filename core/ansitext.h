#pragma once

#include <QByteArray>
#include <QString>

// Conversion between text and the 8-bit code page the remote set file
// stores its captions in: the ANSI code page on Windows, Windows-1252
// everywhere else. A character the code page cannot hold becomes '?'.
namespace AnsiText {

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
QString decode(const char *bytes, int length);

} // namespace AnsiText
