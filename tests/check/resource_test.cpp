// The resources each built program carries, read back from the executable
// file: version block, icon images, manifest, and the DLLs it imports.
// One case per program; the editor and the manager add theirs below.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "window_harness.h"

namespace morvane::test {
namespace {

struct ProgramResources {
    const char* file;          // beside the test in <build>\bin
    const char* description;   // FileDescription and Comments, GBK
};

void PrintTo(const ProgramResources& program, std::ostream* out) { *out << program.file; }

std::string ProgramFile(const ProgramResources& program) {
    return TestProgramDirectory() + "\\" + program.file;
}

// ---- version block

struct VersionBlock {
    std::vector<char> data;

    std::optional<std::string> String(const std::string& key) {
        void* value = nullptr;
        UINT length = 0;
        const std::string path = "\\StringFileInfo\\080404b0\\" + key;
        if (!VerQueryValueA(data.data(), path.c_str(), &value, &length) || length == 0) return std::nullopt;
        return std::string(static_cast<const char*>(value));
    }
};

std::optional<VersionBlock> ReadVersionBlock(const std::string& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    VersionBlock block{std::vector<char>(size)};
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data.data())) return std::nullopt;
    return block;
}

// ---- resources of a module loaded as data

struct DataModule {
    HMODULE module;
    explicit DataModule(const std::string& file)
        : module(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~DataModule() {
        if (module) FreeLibrary(module);
    }
    std::optional<std::string> Resource(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceA(module, name, type);
        if (!found) return std::nullopt;
        HGLOBAL loaded = LoadResource(module, found);
        const char* bytes = static_cast<const char*>(LockResource(loaded));
        if (!bytes) return std::nullopt;
        return std::string(bytes, SizeofResource(module, found));
    }
};

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct IconImage {
    int width, height, bit_count;
    bool has_partial_alpha;  // some pixels neither fully clear nor solid
    bool has_clear_pixels;
};

std::optional<IconImage> ReadIconImage(const DataModule& module, WORD id) {
    std::optional<std::string> image = module.Resource(RT_ICON, MAKEINTRESOURCEA(id));
    if (!image || image->size() < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, image->data(), sizeof header);
    if (header.biSize != sizeof header) return std::nullopt;  // PNG images are not used here
    IconImage read{header.biWidth, header.biHeight / 2, header.biBitCount, false, false};
    if (header.biBitCount == 32) {
        const std::size_t pixels = static_cast<std::size_t>(read.width) * read.height;
        if (image->size() < sizeof header + pixels * 4) return std::nullopt;
        for (std::size_t i = 0; i < pixels; ++i) {
            const auto alpha = static_cast<unsigned char>((*image)[sizeof header + i * 4 + 3]);
            if (alpha == 0) read.has_clear_pixels = true;
            if (alpha != 0 && alpha != 255) read.has_partial_alpha = true;
        }
    }
    return read;
}

// ---- imports, read from the PE file itself

std::vector<std::string> ImportedDlls(const std::string& file) {
    std::vector<std::string> dlls;
    const std::optional<std::string> bytes = ReadFileBytes(file);
    if (!bytes || bytes->size() < sizeof(IMAGE_DOS_HEADER)) return dlls;
    const char* base = bytes->data();
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, base, sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew + sizeof(IMAGE_NT_HEADERS32) > bytes->size()) return dlls;
    IMAGE_NT_HEADERS32 nt;
    std::memcpy(&nt, base + dos.e_lfanew, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return dlls;
    const std::size_t sections_at = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                    nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    if (sections_at + sections.size() * sizeof(IMAGE_SECTION_HEADER) > bytes->size()) return dlls;
    std::memcpy(sections.data(), base + sections_at, sections.size() * sizeof(IMAGE_SECTION_HEADER));
    auto file_offset = [&](DWORD rva) -> std::optional<std::size_t> {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return std::nullopt;
    };
    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::optional<std::size_t> at = file_offset(imports.VirtualAddress);
    if (!at) return dlls;
    for (;; *at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        if (*at + sizeof(IMAGE_IMPORT_DESCRIPTOR) > bytes->size()) break;
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, base + *at, sizeof descriptor);
        if (descriptor.Name == 0) break;
        const std::optional<std::size_t> name = file_offset(descriptor.Name);
        if (!name || *name >= bytes->size()) break;
        std::string dll(base + *name, strnlen(base + *name, bytes->size() - *name));
        std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
        dlls.push_back(dll);
    }
    return dlls;
}

// The first numbered resource name: the program's icon, the one Explorer shows.
BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    if (!IS_INTRESOURCE(name)) return TRUE;
    *reinterpret_cast<LPSTR*>(found) = name;
    return FALSE;
}

class ProgramResourcesTest : public ::testing::TestWithParam<ProgramResources> {};

TEST_P(ProgramResourcesTest, VersionBlockIs1000InChinesePrc) {
    std::optional<VersionBlock> block = ReadVersionBlock(ProgramFile(GetParam()));
    ASSERT_TRUE(block) << "no version block";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block->data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block->data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0804) << "Chinese (PRC)";
    EXPECT_EQ(translation[1], 1200) << "Unicode";

    EXPECT_EQ(block->String("FileVersion"), std::optional<std::string>("1.0.0.0"));
    EXPECT_EQ(block->String("ProductVersion"), std::optional<std::string>("1.0.0.0"));
    EXPECT_EQ(block->String("ProductName"), std::optional<std::string>("Morvane"));
    EXPECT_EQ(block->String("FileDescription"), std::optional<std::string>(GetParam().description));
    EXPECT_EQ(block->String("Comments"), std::optional<std::string>(GetParam().description));
}

TEST_P(ProgramResourcesTest, IconHas48And32Images32BitsWithAlpha) {
    DataModule module(ProgramFile(GetParam()));
    ASSERT_NE(module.module, nullptr);
    LPSTR first_group = nullptr;
    EnumResourceNamesA(module.module, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first_group));
    ASSERT_NE(first_group, nullptr) << "no icon group with a number";
    std::optional<std::string> group = module.Resource(RT_GROUP_ICON, first_group);
    ASSERT_TRUE(group);
    IconGroupHeader header;
    std::memcpy(&header, group->data(), sizeof header);
    ASSERT_EQ(header.count, 2);
    std::vector<int> sizes;
    for (int i = 0; i < header.count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, group->data() + sizeof header + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.bit_count, 32);
        std::optional<IconImage> image = ReadIconImage(module, entry.id);
        ASSERT_TRUE(image) << "image " << entry.id;
        EXPECT_EQ(image->width, image->height);
        EXPECT_EQ(image->bit_count, 32);
        EXPECT_TRUE(image->has_clear_pixels) << image->width << ": the alpha channel is used";
        sizes.push_back(image->width);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{32, 48}));
}

TEST_P(ProgramResourcesTest, ManifestAsksForCommonControls6) {
    DataModule module(ProgramFile(GetParam()));
    ASSERT_NE(module.module, nullptr);
    std::optional<std::string> manifest = module.Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_TRUE(manifest) << "no manifest with id 1";
    const std::size_t dependency = manifest->find("Microsoft.Windows.Common-Controls");
    ASSERT_NE(dependency, std::string::npos);
    const std::string identity = manifest->substr(manifest->rfind('<', dependency));
    const std::string element = identity.substr(0, identity.find('>'));
    EXPECT_NE(element.find("version=\"6.0.0.0\""), std::string::npos) << element;
    EXPECT_NE(element.find("processorArchitecture=\"x86\""), std::string::npos) << element;
    EXPECT_NE(element.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << element;
}

// The first element `<name ...>...</name>` or `<name .../>` of the manifest,
// whole; empty when there is none.
std::string ManifestElement(const std::string& manifest, const std::string& name) {
    const std::size_t start = manifest.find("<" + name + " ");
    if (start == std::string::npos) return {};
    const std::size_t tag_end = manifest.find('>', start);
    if (tag_end == std::string::npos) return {};
    if (manifest[tag_end - 1] == '/') return manifest.substr(start, tag_end + 1 - start);
    const std::size_t end = manifest.find("</" + name + ">", tag_end);
    if (end == std::string::npos) return {};
    return manifest.substr(start, end + name.size() + 3 - start);
}

// Per-monitor awareness, version 2 first; "true/pm" for the systems before
// Windows 10 1607, which read only dpiAware.
TEST_P(ProgramResourcesTest, ManifestDeclaresDpiAwarenessInvokerRightsAndWindows7To11) {
    DataModule module(ProgramFile(GetParam()));
    ASSERT_NE(module.module, nullptr);
    std::optional<std::string> manifest = module.Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_TRUE(manifest) << "no manifest with id 1";
    EXPECT_EQ(ManifestElement(*manifest, "dpiAwareness"),
              "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
              "PerMonitorV2, PerMonitor</dpiAwareness>");
    EXPECT_EQ(ManifestElement(*manifest, "dpiAware"),
              "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>");
    const std::string settings = ManifestElement(*manifest, "application");
    EXPECT_NE(settings.find("xmlns=\"urn:schemas-microsoft-com:asm.v3\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("<windowsSettings>"), std::string::npos) << settings;

    const std::string trust = ManifestElement(*manifest, "trustInfo");
    EXPECT_NE(trust.find("xmlns=\"urn:schemas-microsoft-com:asm.v3\""), std::string::npos) << trust;
    const std::string level = ManifestElement(trust, "requestedExecutionLevel");
    EXPECT_NE(level.find("level=\"asInvoker\""), std::string::npos) << level;

    const std::string compatibility = ManifestElement(*manifest, "compatibility");
    EXPECT_NE(compatibility.find("xmlns=\"urn:schemas-microsoft-com:compatibility.v1\""), std::string::npos);
    const char* const windows_7_8_81_10[] = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const char* id : windows_7_8_81_10)
        EXPECT_NE(compatibility.find("<supportedOS Id=\"" + std::string(id) + "\"/>"), std::string::npos) << id;
}

TEST_P(ProgramResourcesTest, ImportsOnlyWindowsSystemDlls) {
    const std::vector<std::string> dlls = ImportedDlls(ProgramFile(GetParam()));
    ASSERT_FALSE(dlls.empty()) << "no import table read";
    const std::vector<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "comctl32.dll",
                                             "msvcrt.dll",   "advapi32.dll", "shell32.dll",  "shlwapi.dll",
                                             "ole32.dll",    "oleaut32.dll", "version.dll",  "comdlg32.dll"};
    for (const std::string& dll : dlls)
        EXPECT_NE(std::find(system.begin(), system.end(), dll), system.end()) << dll << " is not a system DLL";
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResourcesTest,
                         ::testing::Values(ProgramResources{"check.exe", "密保卡查询"},
                                           ProgramResources{"create.exe", "创建密保卡"},
                                           ProgramResources{"Morvane.exe", "Morvane"}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace morvane::test
