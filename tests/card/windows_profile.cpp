// The platform's private-profile functions behind the Profile interface: the
// yardstick the project's own INI layer is held to. They read and write a
// file in the system's code page, so they compare with it on code page 936
// only.
#include "windows_profile.h"

#include <windows.h>

#include <algorithm>

#include "file_ops.h"
#include "profile.h"
#include "profile_text.h"

namespace morvane {

namespace {

// The functions take the path in the system's code page.
std::string AnsiPath(const FilePath& path) {
    const int length = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), ansi.data(), length, nullptr, nullptr);
    return ansi;
}

class WindowsProfileImpl final : public Profile {
public:
    std::string ReadValue(const FilePath& file, std::string_view section, std::string_view key) override {
        // A key of blanks only would name the entry with an empty name.
        if (TrimProfileBlanks(key).empty()) return {};
        const std::string section_name(section), key_name(key);
        // The call cuts a long value to the buffer without saying so: a
        // result that fills the buffer may be cut, so grow and ask again.
        std::string buffer(256, '\0');
        for (;;) {
            DWORD length = GetPrivateProfileStringA(section_name.c_str(), key_name.c_str(), "", buffer.data(),
                                                    static_cast<DWORD>(buffer.size()), AnsiPath(file).c_str());
            if (length + 1 < buffer.size()) {
                buffer.resize(length);
                return buffer;
            }
            if (buffer.size() >= (1u << 30)) return {};
            buffer.resize(buffer.size() * 4);
        }
    }

    bool WriteValue(const FilePath& file, std::string_view section, std::string_view key,
                    std::string_view value) override {
        if (!IsWritableProfileEntry(section, key, value)) return false;
        const std::string section_name(section), key_name(key), text(value);
        return WritePrivateProfileStringA(section_name.c_str(), key_name.c_str(), text.c_str(), AnsiPath(file).c_str()) != 0;
    }

    bool RemoveKey(const FilePath& file, std::string_view section, std::string_view key) override {
        if (!files::IsRegularFile(file)) return true;  // removing must not create the file
        const std::string section_name(section), key_name(key);
        return WritePrivateProfileStringA(section_name.c_str(), key_name.c_str(), nullptr, AnsiPath(file).c_str()) != 0;
    }
};

}  // namespace

Profile& WindowsProfile() {
    static WindowsProfileImpl profile;
    return profile;
}

}  // namespace morvane
