#pragma once
// The windows show UTF-16; a card file holds GBK (code page 936) bytes,
// whatever the system's own code page. Text crosses between the two here
// and nowhere else.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

inline constexpr unsigned kGbkCodePage = 936;

// GBK bytes as UTF-16. A byte sequence that is no GBK character becomes the
// system's replacement character.
std::wstring WideFromGbk(std::string_view gbk);

// UTF-16 text as GBK bytes; nothing when GBK cannot hold one of its
// characters (an emoji, a character outside GBK, half a surrogate pair).
std::optional<std::string> GbkFromWide(std::wstring_view text);

// The same, with '?' for each character GBK cannot hold, as the system's
// ANSI functions give it: for reading only, never for what is stored.
std::string GbkFromWideReplacing(std::wstring_view text);

// The bytes `text` takes in GBK, a Chinese character 2; nothing when GBK
// cannot hold it. Every length limit of the windows counts these.
std::optional<std::size_t> GbkLength(std::wstring_view text);

}  // namespace morvane
