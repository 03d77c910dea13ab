#include "storage/extended_path.h"

namespace alvena {
namespace {

[[nodiscard]] bool IsAsciiLetter(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

// Whether every backslash-separated component of `rest` is one Windows would take as it stands.
[[nodiscard]] bool HasOnlyPlainComponents(WideView rest) {
    if (rest.find(u'/') != WideView::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = rest.find(u'\\', start);
        const WideView part =
            rest.substr(start, end == WideView::npos ? WideView::npos : end - start);
        if (part.empty() || part == u"." || part == u".." || part.back() == u'.' ||
            part.back() == u' ') {
            return false;
        }
        if (end == WideView::npos) {
            return true;
        }
        start = end + 1;
    }
}

}  // namespace

WideText ExtendedLengthPath(const WideText& path) {
    const WideView view(path);
    if (view.size() > 3 && IsAsciiLetter(view[0]) && view[1] == u':' && view[2] == u'\\' &&
        HasOnlyPlainComponents(view.substr(3))) {
        return u"\\\\?\\" + path;
    }
    // \\server\share\...: not \\?\ or \\.\, which are prefixed already.
    if (view.size() > 2 && view.substr(0, 2) == u"\\\\" && view[2] != u'?' && view[2] != u'.' &&
        HasOnlyPlainComponents(view.substr(2))) {
        return u"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
}

}  // namespace alvena
