// The platform's private-profile functions behind the Profile interface.
#include <windows.h>

#include "file_ops.h"
#include "profile.h"
#include "profile_text.h"

namespace morvane {

namespace {

class WindowsProfileImpl final : public Profile {
public:
    std::string ReadValue(const std::string& file, std::string_view section, std::string_view key) override {
        // A key of blanks only would name the entry with an empty name.
        if (TrimProfileBlanks(key).empty()) return {};
        const std::string section_name(section), key_name(key);
        // The call cuts a long value to the buffer without saying so: a
        // result that fills the buffer may be cut, so grow and ask again.
        std::string buffer(256, '\0');
        for (;;) {
            DWORD length = GetPrivateProfileStringA(section_name.c_str(), key_name.c_str(), "", buffer.data(),
                                                    static_cast<DWORD>(buffer.size()), file.c_str());
            if (length + 1 < buffer.size()) {
                buffer.resize(length);
                return buffer;
            }
            if (buffer.size() >= (1u << 30)) return {};
            buffer.resize(buffer.size() * 4);
        }
    }

    bool WriteValue(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value) override {
        if (section.empty() || key.empty() || !IsWritableProfileText(section) || !IsWritableProfileText(key) ||
            !IsWritableProfileText(value) || value.size() > kMaxProfileValueBytes)
            return false;
        const std::string section_name(section), key_name(key), text(value);
        return WritePrivateProfileStringA(section_name.c_str(), key_name.c_str(), text.c_str(), file.c_str()) != 0;
    }

    bool RemoveKey(const std::string& file, std::string_view section, std::string_view key) override {
        if (!files::IsRegularFile(file)) return true;  // removing must not create the file
        const std::string section_name(section), key_name(key);
        return WritePrivateProfileStringA(section_name.c_str(), key_name.c_str(), nullptr, file.c_str()) != 0;
    }
};

}  // namespace

Profile& WindowsProfile() {
    static WindowsProfileImpl profile;
    return profile;
}

Profile& PlatformProfile() { return WindowsProfile(); }

}  // namespace morvane
