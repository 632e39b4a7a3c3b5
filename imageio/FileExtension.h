#pragma once

// How the loader and the folder scan find the extension of a file name. The name may come from another
// system, so "\" and ":" end a folder part as well as "/".

#include <QString>

#include <string_view>

// From the last "." to the end, dot included, as stored; empty when there is no dot after the last
// delimiter.
QString FileExtension(const QString& name);
// The same for a name as stored, in any byte encoding.
std::string_view FileExtension(std::string_view name);

// Only ASCII letters change: a name in another encoding keeps its other bytes, and no letter outside
// ASCII becomes one inside it.
template <typename Char> constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c + ('a' - 'A')) : c;
}
