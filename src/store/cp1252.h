#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the notes file's character set on every platform.
namespace cp1252 {
QString decode(QByteArrayView bytes);
// A character that Windows-1252 cannot hold is written as '?'.
QByteArray encode(QStringView text);
// The byte of one character; '?' for one that Windows-1252 cannot hold.
char encodeChar(char32_t c);
} // namespace cp1252
