#pragma once
// The private-profile (INI) layer the card store stands on: one value read,
// written or removed by file, section and key.
#include <string>
#include <string_view>

namespace morvane {

class Profile {
public:
    virtual ~Profile() = default;

    // The stored value, whole; "" when the file, the section or the key is
    // missing. Never fails.
    virtual std::string ReadValue(const std::string& file, std::string_view section, std::string_view key) = 0;

    // Stores the value, creating the file (its directory must exist), the
    // section or the key as needed. Refuses, writing nothing, when section,
    // key or value holds CR or LF, or the section or key is empty.
    virtual bool WriteValue(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view value) = 0;

    // Removes the key's line; true when the key is gone afterwards, also when
    // it was never there.
    virtual bool RemoveKey(const std::string& file, std::string_view section, std::string_view key) = 0;
};

// The project's own INI reader and writer: portable, and written to read and
// change a file as the Windows private-profile functions do.
Profile& OwnProfile();

#ifdef _WIN32
// GetPrivateProfileStringA / WritePrivateProfileStringA.
Profile& WindowsProfile();
#endif

// What the programs use: the platform's functions on Windows, the project's
// own elsewhere.
Profile& PlatformProfile();

// Refusal shared by both implementations.
bool IsWritableProfileText(std::string_view text);

}  // namespace morvane
