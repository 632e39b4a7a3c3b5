#include "imageio/FileExtension.h"

namespace {

template <typename Char> std::size_t ExtensionStart(std::basic_string_view<Char> name) {
    constexpr Char delimiters[] = {Char('/'), Char('\\'), Char(':')};
    const std::size_t dot = name.rfind(Char('.'));
    const std::size_t delimiter = name.find_last_of(std::basic_string_view<Char>(delimiters, 3));
    if (dot == std::basic_string_view<Char>::npos ||
        (delimiter != std::basic_string_view<Char>::npos && dot < delimiter)) {
        return std::basic_string_view<Char>::npos;
    }
    return dot;
}

} // namespace

QString FileExtension(const QString& name) {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(name.utf16()), std::size_t(name.size()));
    const std::size_t start = ExtensionStart(text);
    return start == std::u16string_view::npos ? QString() : name.mid(qsizetype(start));
}

std::string_view FileExtension(std::string_view name) {
    const std::size_t start = ExtensionStart(name);
    return start == std::string_view::npos ? std::string_view() : name.substr(start);
}
