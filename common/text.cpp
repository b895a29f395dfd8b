#include "text.h"

#include <windows.h>

#include <algorithm>

namespace morvane {

std::wstring WideFromGbk(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int length = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), length);
    return wide;
}

std::optional<std::string> GbkFromWide(std::wstring_view text) {
    if (text.empty()) return std::string();
    const int units = static_cast<int>(text.size());
    BOOL used_default = FALSE;
    const int length =
        WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr, &used_default);
    if (length <= 0 || used_default) return std::nullopt;
    std::string gbk(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text.data(), units, gbk.data(), length, nullptr,
                        &used_default);
    // A best-fit mapping or a dropped surrogate need not be reported as a
    // default character; only text that comes back unchanged was held.
    if (used_default || WideFromGbk(gbk) != text) return std::nullopt;
    return gbk;
}

std::string GbkFromWideReplacing(std::wstring_view text) {
    if (text.empty()) return {};
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(kGbkCodePage, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(kGbkCodePage, 0, text.data(), units, gbk.data(), length, nullptr, nullptr);
    return gbk;
}

std::optional<std::size_t> GbkLength(std::wstring_view text) {
    const std::optional<std::string> gbk = GbkFromWide(text);
    if (!gbk) return std::nullopt;
    return gbk->size();
}

}  // namespace morvane
