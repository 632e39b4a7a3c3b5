#pragma once

#include <QString>

#include <cstdint>
#include <span>

// The Windows single-byte code pages that old drawings keep their text in, 1250 (Central European) to
// 1257 (Baltic).

// The code page that a LOGFONT character set (lfCharSet) stands for; 1252 for ANSI, the default set and
// every set without a table here (symbol fonts, the double-byte Asian sets, OEM).
int CodePageOfCharset(int charset);

// The bytes as Unicode text, read in that code page (1252 for a code page without a table). Bytes that
// the code page leaves undefined become U+FFFD.
QString DecodeCodePage(std::span<const std::uint8_t> bytes, int codePage);
