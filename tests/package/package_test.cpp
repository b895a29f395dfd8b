// The per-user installer of this build, installed and removed by wine's
// msiexec as a user's double click and Settings › Apps would, in a wine
// prefix of its own. The packages come from the package layout test
// (tests/manager/package_layout_test.cmake), in MORVANE_PACKAGE_DIR: this
// build's beside its zip, unpacked into `unpacked`, and two of an older
// version, older.msi and older-rebuilt.msi, the second a rebuild of the
// first with a product code of its own.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "manager_controls.h"
#include "manager_test_support.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

constexpr const char* kPrograms[] = {"Morvane.exe", "check.exe", "create.exe"};
// Installed with the programs, and removed with them.
constexpr const char* kTexts[] = {"README.txt", "LICENSE.txt"};
constexpr char kCardBytes[] = "[Info]\r\n序列号=1\r\n[Card]\r\nA=11,12,13\r\n";

// The one file or folder of `folder` whose name matches `pattern`.
std::string OnlyMatch(const std::string& folder, const char* pattern) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string match = folder + "\\" + Gbk(found.cFileName);
    if (FindNextFileW(search, &found)) match.clear();
    FindClose(search);
    return match;
}

std::string KnownFolder(int folder) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return Gbk(path);
}

std::string InstallFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Morvane"; }
std::string CardStore() { return InstallFolder() + "\\cards"; }
std::string StartMenuShortcut() { return KnownFolder(CSIDL_PROGRAMS) + "\\Morvane.lnk"; }
std::string GuideShortcut() { return KnownFolder(CSIDL_PROGRAMS) + "\\Morvane 使用指南.lnk"; }

// msiexec with the arguments, as the user's double click (/i) or Settings ›
// Apps (/x) runs it, without its windows (/qn); its exit code.
DWORD Msiexec(const std::string& arguments) {
    const std::string command = "msiexec.exe " + arguments + " /qn";
    std::optional<RunningProgram> msiexec = RunningProgram::Start(KnownFolder(CSIDL_SYSTEM) + "\\msiexec.exe", command);
    if (!msiexec) return ERROR_FILE_NOT_FOUND;
    if (!msiexec->WaitForExit(std::chrono::minutes(2))) return WAIT_TIMEOUT;
    return msiexec->ExitCode().value_or(ERROR_INVALID_FUNCTION);
}
DWORD Install(const std::string& package) { return Msiexec("/i \"" + package + "\""); }
DWORD Uninstall(const std::string& package) { return Msiexec("/x \"" + package + "\""); }

struct MsiHandle {
    MSIHANDLE handle = 0;
    ~MsiHandle() {
        if (handle) MsiCloseHandle(handle);
    }
};

// A value of the package's Property table.
std::string PackageProperty(const std::string& package, const char* property) {
    MsiHandle database, view, record;
    const std::wstring query = L"SELECT `Value` FROM `Property` WHERE `Property` = '" + Wide(property) + L"'";
    wchar_t value[256] = {};
    DWORD length = 256;
    if (MsiOpenDatabaseW(Wide(package).c_str(), reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY), &database.handle) != ERROR_SUCCESS ||
        MsiDatabaseOpenViewW(database.handle, query.c_str(), &view.handle) != ERROR_SUCCESS ||
        MsiViewExecute(view.handle, 0) != ERROR_SUCCESS || MsiViewFetch(view.handle, &record.handle) != ERROR_SUCCESS ||
        MsiRecordGetStringW(record.handle, 1, value, &length) != ERROR_SUCCESS)
        return {};
    return Gbk(value);
}

std::string InstalledProperty(const std::string& product_code, const wchar_t* property) {
    wchar_t value[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (MsiGetProductInfoW(Wide(product_code).c_str(), property, value, &length) != ERROR_SUCCESS) return {};
    return Gbk(value);
}

// The installed products of the package's upgrade code, each as its version.
std::vector<std::string> InstalledVersions(const std::string& package) {
    const std::wstring upgrade_code = Wide(PackageProperty(package, "UpgradeCode"));
    std::vector<std::string> versions;
    wchar_t product[39] = {};
    for (DWORD index = 0; MsiEnumRelatedProductsW(upgrade_code.c_str(), 0, index, product) == ERROR_SUCCESS; ++index)
        versions.push_back(InstalledProperty(Gbk(product), L"VersionString"));
    return versions;
}

// The entries of the card list of the manager window that the installed
// Morvane.exe shows, once it shows one.
std::vector<std::string> ListedCards() {
    std::vector<HWND> windows;
    WaitUntil([&] { return !(windows = WindowsOfProgram(InstallFolder() + "\\Morvane.exe")).empty(); });
    if (windows.empty()) return {"<no manager window>"};
    HWND list = ControlOf(windows.front(), manager::列表框1);
    std::vector<std::string> entries;
    for (int index = 0; index < Send(list, LB_GETCOUNT); ++index) entries.push_back(ListEntryText(list, index));
    return entries;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        const char* packages = std::getenv("MORVANE_PACKAGE_DIR");
        ASSERT_TRUE(packages) << "MORVANE_PACKAGE_DIR names no folder of packages";
        package_ = OnlyMatch(packages, "Morvane-*.msi");
        older_package_ = std::string(packages) + "\\older.msi";
        older_rebuilt_package_ = std::string(packages) + "\\older-rebuilt.msi";
        zip_programs_ = OnlyMatch(std::string(packages) + "\\unpacked", "Morvane-*");
        for (const std::string& package : {package_, older_package_, older_rebuilt_package_})
            ASSERT_TRUE(FileExists(package)) << "no package " << package << " in " << packages;
        ASSERT_TRUE(InstalledVersions(package_).empty()) << "a package is installed already";
    }
    void TearDown() override {
        EndProgramsIn(InstallFolder());
        for (const std::string& package : {package_, older_package_, older_rebuilt_package_})
            if (!package.empty()) Uninstall(package);
        DeleteFileW(Wide(CardStore() + "\\kept.ini").c_str());
        RemoveDirectoryW(Wide(CardStore()).c_str());
        RemoveDirectoryW(Wide(InstallFolder()).c_str());
        CoUninitialize();
    }

    bool PutCard() const { return WriteFileBytes(CardStore() + "\\kept.ini", kCardBytes); }

    std::string package_, older_package_, older_rebuilt_package_, zip_programs_;
};

TEST_F(PackageTest, InstallsForTheUserStartsFromTheStartMenuAndUninstallingKeepsTheCards) {
    ASSERT_EQ(Install(package_), 0u);
    for (const char* program : kPrograms)
        EXPECT_EQ(ReadFileBytes(InstallFolder() + "\\" + program), ReadFileBytes(zip_programs_ + "\\" + program))
            << program << " is not the zip's";
    EXPECT_TRUE(GetFileAttributesW(Wide(CardStore()).c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    std::optional<Shortcut> shortcut = ReadShortcut(StartMenuShortcut());
    ASSERT_TRUE(shortcut) << StartMenuShortcut();
    EXPECT_EQ(lstrcmpiW(Wide(shortcut->target).c_str(), Wide(InstallFolder() + "\\Morvane.exe").c_str()), 0)
        << shortcut->target;
    EXPECT_FALSE(shortcut->icon.empty());
    for (const char* text : kTexts)
        EXPECT_EQ(ReadFileBytes(InstallFolder() + "\\" + text), ReadFileBytes(zip_programs_ + "\\" + text))
            << text << " is not the zip's";
    std::optional<Shortcut> guide = ReadShortcut(GuideShortcut());
    ASSERT_TRUE(guide) << GuideShortcut();
    EXPECT_EQ(lstrcmpiW(Wide(guide->target).c_str(), Wide(InstallFolder() + "\\README.txt").c_str()), 0)
        << guide->target;

    const std::string product_code = PackageProperty(package_, "ProductCode");
    EXPECT_EQ(MsiQueryProductStateW(Wide(product_code).c_str()), INSTALLSTATE_DEFAULT);
    EXPECT_EQ(InstalledProperty(product_code, L"InstalledProductName"), "Morvane");
    EXPECT_EQ(InstalledProperty(product_code, L"VersionString"), "1.0.0");

    ASSERT_TRUE(PutCard());
    ASSERT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", Wide(StartMenuShortcut()).c_str(), nullptr,
                                                      nullptr, SW_SHOWNORMAL)),
              32);
    EXPECT_EQ(ListedCards(), std::vector<std::string>{"kept"});
    EndProgramsIn(InstallFolder());

    ASSERT_EQ(Uninstall(package_), 0u);
    EXPECT_EQ(MsiQueryProductStateW(Wide(product_code).c_str()), INSTALLSTATE_UNKNOWN);
    for (const char* program : kPrograms) EXPECT_FALSE(FileExists(InstallFolder() + "\\" + program)) << program;
    for (const char* text : kTexts) EXPECT_FALSE(FileExists(InstallFolder() + "\\" + text)) << text;
    EXPECT_FALSE(FileExists(StartMenuShortcut()));
    EXPECT_FALSE(FileExists(GuideShortcut()));
    EXPECT_EQ(ReadFileBytes(CardStore() + "\\kept.ini"), kCardBytes);
}

TEST_F(PackageTest, ANewerVersionReplacesAnOlderOneAndKeepsTheCardsAnOlderOneIsRefused) {
    ASSERT_EQ(Install(older_package_), 0u);
    ASSERT_TRUE(PutCard());
    // The same version again, with a product code of its own, replaces it.
    ASSERT_EQ(Install(older_rebuilt_package_), 0u);
    EXPECT_EQ(InstalledVersions(package_), std::vector<std::string>{"0.9.0"});

    ASSERT_EQ(Install(package_), 0u);
    EXPECT_EQ(InstalledVersions(package_), std::vector<std::string>{"1.0.0"});
    EXPECT_EQ(ReadFileBytes(CardStore() + "\\kept.ini"), kCardBytes);
    for (const char* program : kPrograms) EXPECT_TRUE(FileExists(InstallFolder() + "\\" + program)) << program;

    EXPECT_NE(Install(older_package_), 0u);
    EXPECT_EQ(InstalledVersions(package_), std::vector<std::string>{"1.0.0"});
    EXPECT_EQ(ReadFileBytes(CardStore() + "\\kept.ini"), kCardBytes);
}

}  // namespace
}  // namespace morvane::test
