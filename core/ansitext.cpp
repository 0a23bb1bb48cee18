#include "ansitext.h"

#include <QList>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes Windows leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value,
// as Windows itself does, so every byte survives a round trip.
// clang-format off
constexpr char16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

#ifndef Q_OS_WIN
char encodeOne(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighTable[i] == c)
            return char(0x80 + i);
    }
    return '?';
}
#endif

} // namespace

namespace AnsiText {

QByteArray encode(const QString &text)
{
#ifdef Q_OS_WIN
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), nullptr, 0,
                                         "?", nullptr);
    QByteArray out(size, Qt::Uninitialized);
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), out.data(), size, "?", nullptr);
    return out;
#else
    QByteArray out;
    out.reserve(text.size());
    // Walk by code point so that a character outside the BMP gives one '?'
    // rather than two.
    const QList<uint> ucs4 = text.toUcs4();
    for (uint c : ucs4)
        out.append(encodeOne(char32_t(c)));
    return out;
#endif
}

QString decode(const char *bytes, int length)
{
#ifdef Q_OS_WIN
    if (length <= 0)
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    QString out(size, Qt::Uninitialized);
    MultiByteToWideChar(CP_ACP, 0, bytes, length, reinterpret_cast<wchar_t *>(out.data()), size);
    return out;
#else
    QString out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0)
            out.append(QChar(kHighTable[b - 0x80]));
        else
            out.append(QChar(char16_t(b)));
    }
    return out;
#endif
}

QString decode(const QByteArray &bytes)
{
    return decode(bytes.constData(), int(bytes.size()));
}

} // namespace AnsiText
