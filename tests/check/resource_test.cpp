// The resources each built program carries, read back from the executable
// file: version block, icon images, manifest, the processor it is built for
// and the DLLs it imports. One case per program of this build, the one
// beside the test. An x64 build has one more per program of the x86 build
// whose program directory MORVANE_X86_PROGRAMS names (a Windows path; the
// windows preset's build, tests/check/CMakeLists.txt), and skips them where
// they are not built: so the x86 programs are checked on a machine that
// cannot run them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "window_harness.h"

namespace morvane::test {
namespace {

struct Architecture {
    const char* manifest_name;   // processorArchitecture
    WORD machine;                // the PE file header's
    WORD optional_header_magic;  // PE32 or PE32+
};
constexpr Architecture kX86{"x86", IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC};
constexpr Architecture kX64{"amd64", IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC};
#ifdef _WIN64
constexpr Architecture kThisBuild = kX64;
#else
constexpr Architecture kThisBuild = kX86;
#endif

struct ProgramResources {
    const char* file;
    const char* description;  // FileDescription and Comments, GBK
    Architecture architecture;
    bool of_this_build;  // or of the x86 build that MORVANE_X86_PROGRAMS names
};

std::vector<ProgramResources> ProgramsOf(Architecture architecture, bool of_this_build) {
    return {{"check.exe", "密保卡查询", architecture, of_this_build},
            {"create.exe", "创建密保卡", architecture, of_this_build},
            {"Morvane.exe", "Morvane", architecture, of_this_build}};
}

void PrintTo(const ProgramResources& program, std::ostream* out) {
    *out << program.file << " (" << program.architecture.manifest_name << ")";
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

// ---- the PE file itself: its headers and the DLLs it imports

struct PeFile {
    std::string bytes;
    WORD machine = 0;
    WORD optional_header_magic = 0;
    DWORD time_date_stamp = 0;
    WORD dll_characteristics = 0;
    IMAGE_DATA_DIRECTORY imports{};
    std::vector<IMAGE_SECTION_HEADER> sections;

    std::optional<std::size_t> FileOffset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return std::nullopt;
    }
};

// PE32 and PE32+ share the file header; their optional headers differ in
// size before the data directories.
template <typename NtHeaders>
bool ReadOptionalHeader(PeFile& pe, std::size_t nt_at) {
    if (nt_at + sizeof(NtHeaders) > pe.bytes.size()) return false;
    NtHeaders nt;
    std::memcpy(&nt, pe.bytes.data() + nt_at, sizeof nt);
    pe.imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    pe.dll_characteristics = nt.OptionalHeader.DllCharacteristics;
    return true;
}

std::optional<PeFile> ReadPeFile(const std::string& file) {
    std::optional<std::string> bytes = ReadFileBytes(file);
    if (!bytes || bytes->size() < sizeof(IMAGE_DOS_HEADER)) return std::nullopt;
    PeFile pe;
    pe.bytes = std::move(*bytes);
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, pe.bytes.data(), sizeof dos);
    const std::size_t nt_at = static_cast<std::size_t>(dos.e_lfanew);
    const std::size_t magic_at = nt_at + offsetof(IMAGE_NT_HEADERS32, OptionalHeader);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || magic_at + sizeof(WORD) > pe.bytes.size()) return std::nullopt;
    DWORD signature;
    IMAGE_FILE_HEADER header;
    std::memcpy(&signature, pe.bytes.data() + nt_at, sizeof signature);
    std::memcpy(&header, pe.bytes.data() + nt_at + sizeof signature, sizeof header);
    std::memcpy(&pe.optional_header_magic, pe.bytes.data() + magic_at, sizeof(WORD));
    if (signature != IMAGE_NT_SIGNATURE) return std::nullopt;
    pe.machine = header.Machine;
    pe.time_date_stamp = header.TimeDateStamp;
    const bool read = pe.optional_header_magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                          ? ReadOptionalHeader<IMAGE_NT_HEADERS64>(pe, nt_at)
                          : pe.optional_header_magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC &&
                                ReadOptionalHeader<IMAGE_NT_HEADERS32>(pe, nt_at);
    if (!read) return std::nullopt;
    const std::size_t sections_at = magic_at + header.SizeOfOptionalHeader;
    pe.sections.resize(header.NumberOfSections);
    if (sections_at + pe.sections.size() * sizeof(IMAGE_SECTION_HEADER) > pe.bytes.size()) return std::nullopt;
    std::memcpy(pe.sections.data(), pe.bytes.data() + sections_at, pe.sections.size() * sizeof(IMAGE_SECTION_HEADER));
    return pe;
}

struct Import {
    std::string dll;  // lower case
    std::vector<std::string> functions;  // those imported by name
};

std::string TextAt(const PeFile& pe, std::size_t at) {
    return std::string(pe.bytes.data() + at, strnlen(pe.bytes.data() + at, pe.bytes.size() - at));
}

// The names a descriptor's lookup table imports: 32-bit entries in PE32,
// 64-bit in PE32+, the top bit set for an import by ordinal.
template <typename Thunk>
std::vector<std::string> ImportedNames(const PeFile& pe, DWORD table) {
    std::vector<std::string> names;
    std::optional<std::size_t> at = pe.FileOffset(table);
    for (; at && *at + sizeof(Thunk) <= pe.bytes.size(); *at += sizeof(Thunk)) {
        Thunk thunk;
        std::memcpy(&thunk, pe.bytes.data() + *at, sizeof thunk);
        if (thunk == 0) break;
        if (thunk >> (sizeof(Thunk) * 8 - 1)) continue;
        const std::optional<std::size_t> hint = pe.FileOffset(static_cast<DWORD>(thunk));
        if (hint && *hint + 2 < pe.bytes.size()) names.push_back(TextAt(pe, *hint + 2));
    }
    return names;
}

std::vector<Import> Imports(const PeFile& pe) {
    std::vector<Import> imports;
    std::optional<std::size_t> at = pe.FileOffset(pe.imports.VirtualAddress);
    if (!at) return imports;
    for (;; *at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        if (*at + sizeof(IMAGE_IMPORT_DESCRIPTOR) > pe.bytes.size()) break;
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, pe.bytes.data() + *at, sizeof descriptor);
        if (descriptor.Name == 0) break;
        const std::optional<std::size_t> name = pe.FileOffset(descriptor.Name);
        if (!name || *name >= pe.bytes.size()) break;
        Import import{TextAt(pe, *name), {}};
        std::transform(import.dll.begin(), import.dll.end(), import.dll.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        const DWORD table = descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        import.functions = pe.optional_header_magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                               ? ImportedNames<ULONGLONG>(pe, table)
                               : ImportedNames<DWORD>(pe, table);
        imports.push_back(std::move(import));
    }
    return imports;
}

// The first numbered resource name: the program's icon, the one Explorer shows.
BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    if (!IS_INTRESOURCE(name)) return TRUE;
    *reinterpret_cast<LPSTR*>(found) = name;
    return FALSE;
}

class ProgramResourcesTest : public ::testing::TestWithParam<ProgramResources> {
protected:
    void SetUp() override {
        if (GetParam().of_this_build) {
            directory_ = TestProgramDirectory();
            return;
        }
        if (const char* x86_programs = std::getenv("MORVANE_X86_PROGRAMS")) directory_ = x86_programs;
        if (directory_.empty()) GTEST_SKIP() << "MORVANE_X86_PROGRAMS names no directory of x86 programs";
        if (!FileExists(ProgramFile())) GTEST_SKIP() << "the x86 programs are not built: no " << ProgramFile();
    }
    std::string ProgramFile() const { return directory_ + "\\" + GetParam().file; }

private:
    std::string directory_;
};

TEST_P(ProgramResourcesTest, VersionBlockIs1000InChinesePrc) {
    std::optional<VersionBlock> block = ReadVersionBlock(ProgramFile());
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
    DataModule module(ProgramFile());
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
    DataModule module(ProgramFile());
    ASSERT_NE(module.module, nullptr);
    std::optional<std::string> manifest = module.Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_TRUE(manifest) << "no manifest with id 1";
    const std::size_t dependency = manifest->find("Microsoft.Windows.Common-Controls");
    ASSERT_NE(dependency, std::string::npos);
    const std::string identity = manifest->substr(manifest->rfind('<', dependency));
    const std::string element = identity.substr(0, identity.find('>'));
    EXPECT_NE(element.find("version=\"6.0.0.0\""), std::string::npos) << element;
    EXPECT_NE(element.find("processorArchitecture=\"" + std::string(GetParam().architecture.manifest_name) + "\""),
              std::string::npos)
        << element;
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
    DataModule module(ProgramFile());
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

// PE32 with an x86 manifest, or PE32+ with an amd64 one: Windows refuses a
// manifest naming another processor than the program's.
TEST_P(ProgramResourcesTest, IsBuiltForItsBuildsProcessorAndItsManifestSaysSo) {
    const std::optional<PeFile> pe = ReadPeFile(ProgramFile());
    ASSERT_TRUE(pe) << "no PE headers read";
    EXPECT_EQ(pe->machine, GetParam().architecture.machine);
    EXPECT_EQ(pe->optional_header_magic, GetParam().architecture.optional_header_magic);
    DataModule module(ProgramFile());
    ASSERT_NE(module.module, nullptr);
    std::optional<std::string> manifest = module.Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_TRUE(manifest) << "no manifest with id 1";
    const std::string identity = ManifestElement(*manifest, "assemblyIdentity");
    EXPECT_NE(identity.find("processorArchitecture=\"" + std::string(GetParam().architecture.manifest_name) + "\""),
              std::string::npos)
        << identity;
}

// Windows takes an imported DLL from the program's folder first, before the
// program's own code could restrict the search, unless it is a known DLL
// (always the system's own) or comctl32 version 6, which the manifest binds
// from the side-by-side store. Any other DLL is loaded at run time from the
// system folder (common/system_library.h). shell32 and shlwapi are known
// DLLs on Windows, but under wine their own imports look in the program's
// folder (shlwapi's shcore).
TEST_P(ProgramResourcesTest, ImportsOnlyDllsWindowsNeverTakesFromTheProgramFolder) {
    const std::optional<PeFile> pe = ReadPeFile(ProgramFile());
    ASSERT_TRUE(pe) << "no PE headers read";
    const std::vector<Import> imports = Imports(*pe);
    ASSERT_FALSE(imports.empty()) << "no import table read";
    const std::vector<std::string> never_from_the_program_folder = {
        "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "ole32.dll", "comctl32.dll"};
    for (const Import& import : imports)
        EXPECT_NE(std::find(never_from_the_program_folder.begin(), never_from_the_program_folder.end(), import.dll),
                  never_from_the_program_folder.end())
            << import.dll << " could be taken from the program's folder";
}

// The programs speak UTF-16: a window, text or file function of the ANSI
// family would read its text in the system's code page. Only the static
// runtime's own calls remain, none of which carries a text of the programs:
// the stack protector's library seeds its guard through CryptAcquireContextA.
TEST_P(ProgramResourcesTest, ImportsNoAnsiFunction) {
    const std::optional<PeFile> pe = ReadPeFile(ProgramFile());
    ASSERT_TRUE(pe) << "no PE headers read";
    const std::vector<std::string> runtime = {"CreateEventA",       "CreateSemaphoreA", "GetModuleHandleA",
                                              "LoadLibraryA",       "OutputDebugStringA", "CryptAcquireContextA"};
    std::size_t functions = 0;
    for (const Import& import : Imports(*pe)) {
        for (const std::string& function : import.functions) {
            ++functions;
            const bool ansi = function.size() > 2 && function.back() == 'A' &&
                              (std::islower(static_cast<unsigned char>(function[function.size() - 2])) ||
                               std::isdigit(static_cast<unsigned char>(function[function.size() - 2])));
            const bool of_the_runtime = (import.dll == "kernel32.dll" || import.dll == "advapi32.dll") &&
                                        std::find(runtime.begin(), runtime.end(), function) != runtime.end();
            EXPECT_FALSE(ansi && !of_the_runtime) << import.dll << " " << function;
        }
    }
    EXPECT_GT(functions, 20u) << "the names of the imported functions were not read";
}

// At most 64 KiB; loaded at a place of its own at each start (with 64-bit
// addresses the whole address space) and its data never run as code; the
// stack protector's library linked in; and no build time in the headers, so
// that two builds of one commit are the same.
TEST_P(ProgramResourcesTest, IsSmallHardenedAndCarriesNoBuildTime) {
    const std::optional<PeFile> pe = ReadPeFile(ProgramFile());
    ASSERT_TRUE(pe) << "no PE headers read";
    EXPECT_LE(pe->bytes.size(), 64u * 1024);
    WORD hardened = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
    if (pe->optional_header_magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        hardened |= IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA;
    EXPECT_EQ(pe->dll_characteristics & hardened, hardened);
    EXPECT_NE(pe->bytes.find("*** stack smashing detected ***"), std::string::npos);
    EXPECT_EQ(pe->time_date_stamp, 0u);
}

std::string CaseName(const ::testing::TestParamInfo<ProgramResources>& info) {
    const std::string name = info.param.file;
    return name.substr(0, name.find('.'));
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResourcesTest, ::testing::ValuesIn(ProgramsOf(kThisBuild, true)), CaseName);
#ifdef _WIN64
INSTANTIATE_TEST_SUITE_P(X86Build, ProgramResourcesTest, ::testing::ValuesIn(ProgramsOf(kX86, false)), CaseName);
#endif

}  // namespace
}  // namespace morvane::test
