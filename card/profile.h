#pragma once
// The private-profile (INI) layer the card store stands on: one value read,
// written or removed by file, section and key.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "paths.h"

namespace morvane {

class Profile {
public:
    virtual ~Profile() = default;

    // The stored value, whole; "" when the file, the section or the key is
    // missing. Never fails.
    virtual std::string ReadValue(const FilePath& file, std::string_view section, std::string_view key) = 0;

    struct Key {
        std::string_view section;
        std::string_view key;
    };

    // The values of the keys in order, each as ReadValue gives it. The own
    // implementation reads the file once for all of them.
    virtual std::vector<std::string> ReadValues(const FilePath& file, std::span<const Key> keys);

    // Stores the value, creating the file (its directory must exist), the
    // section or the key as needed. Refuses, writing nothing, when section,
    // key or value holds CR, LF or NUL, the section or key is empty, or the value
    // is longer than kMaxProfileValueBytes.
    virtual bool WriteValue(const FilePath& file, std::string_view section, std::string_view key,
                            std::string_view value) = 0;

    // Removes the key's line; true when the key is gone afterwards, also when
    // it was never there.
    virtual bool RemoveKey(const FilePath& file, std::string_view section, std::string_view key) = 0;

    // One write or removal: a value to store, or none to remove the key.
    struct Edit {
        std::string_view section;
        std::string_view key;
        std::optional<std::string_view> value;
    };

    // The edits in order, as WriteValue and RemoveKey would make them; false
    // at the first that fails. The own implementation reads and writes the
    // file once for all of them, and writes nothing when one fails.
    virtual bool Apply(const FilePath& file, std::span<const Edit> edits);
};

// The project's own INI reader and writer: portable, and written to read and
// change a file as the Windows private-profile functions do. The programs use
// it on every system: the platform's functions read and write a file in the
// system's code page, so that off code page 936 they would turn a card's GBK
// text into other bytes, while this one keeps the bytes it is given.
Profile& OwnProfile();

// What OwnProfile().ReadValues gives, for code that only reads: it links
// none of the writer, which the query window never uses.
std::vector<std::string> ReadOwnProfile(const FilePath& file, std::span<const Profile::Key> keys);

// The longest value the platform's writer stores whole: wine turns the text
// into a counted UTF-16 string whose 16-bit byte count wraps past this (a
// 1 MiB row came back as its first 3 bytes) or crashes at 32767. The own
// writer refuses longer values too, so that a card file stays one that the
// platform's functions read alike; reading has no limit.
inline constexpr std::size_t kMaxProfileValueBytes = 32766;

// Refusal shared by both implementations: no line break inside, and no NUL
// byte (the platform's functions would cut the text there).
bool IsWritableProfileText(std::string_view text);

// What a write refuses: an empty section or key, text IsWritableProfileText
// refuses, or a value longer than kMaxProfileValueBytes.
bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace morvane
