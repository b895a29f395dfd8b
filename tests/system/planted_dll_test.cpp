// A DLL put beside the programs, or into the folder they are started from,
// under the name of a DLL they load, runs inside none of them: not at their
// start, not through what a user does in them.
//
// Each case uses its program twice in a fresh program directory: once as it
// is, reading the names of every DLL its processes have loaded from their
// own module lists (so that on Windows the case covers what Windows loads),
// then with a marker DLL under each of those names and of the ones below
// beside the programs and in the folder they start from. The marker leaves
// a file wherever it runs.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check_controls.h"
#include "create_controls.h"
#include "manager_controls.h"
#include "manager_test_support.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

// What Windows loads by bare name besides what wine loads: for the visual
// styles, the stack guard's seed (CryptAcquireContextA), shell links and the
// Recycle Bin.
constexpr const char* kNamesWindowsLoads[] = {
    "shcore.dll",   "uxtheme.dll",  "dwmapi.dll",   "version.dll",    "propsys.dll",   "cryptbase.dll",
    "profapi.dll",  "cryptsp.dll",  "rsaenh.dll",   "bcrypt.dll",     "linkinfo.dll",  "ntshrui.dll",
    "cscapi.dll",   "srvcli.dll",   "netutils.dll", "sspicli.dll",    "edputil.dll",   "urlmon.dll",
    "iertutil.dll", "wldp.dll",     "msimg32.dll",  "windows.storage.dll", "kernel.appcore.dll",
    "textinputframework.dll", "coremessaging.dll", "wintypes.dll", "msctf.dll", "imm32.dll", "userenv.dll",
};

constexpr char kCard[] = "卡";
constexpr char kCardBytes[] = "[Info]\r\n序列号=1\r\n[Card]\r\nA=a1,a2\r\nB=b1,b2\r\n";

// One program directory with a card, a folder to start the programs from
// and a desktop of its own.
class Place {
public:
    Place() {
        CreateDirectoryW(Wide(start_folder_).c_str(), nullptr);
        CreateDirectoryW(Wide(desktop_).c_str(), nullptr);
        directory_.WriteCardFile(kCard, kCardBytes);
    }
    ~Place() { EndProgramsIn(directory_.Path()); }

    const ScratchDirectory& Directory() const { return directory_; }
    const std::string& StartFolder() const { return start_folder_; }
    const std::string& Desktop() const { return desktop_; }

    // Starts a program of the directory from the start folder and waits for
    // its window; the program runs on until the place goes.
    HWND Start(const char* program_file, const std::string& arguments) {
        std::optional<RunningProgram> program =
            RunningProgram::Start(directory_.ProgramPath(program_file),
                                  std::string(program_file) + (arguments.empty() ? "" : " " + arguments), start_folder_);
        if (!program) return nullptr;
        programs_.push_back(std::move(*program));
        return programs_.back().WaitForMainWindow();
    }
    const RunningProgram& LastStarted() const { return programs_.back(); }

    // The DLLs loaded by every process of the programs here, lower case.
    std::set<std::string> LoadedDllNames() const {
        std::set<std::string> names;
        for (DWORD process_id : ProcessesOfProgramsIn(directory_.Path())) {
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
            if (snapshot == INVALID_HANDLE_VALUE) continue;
            MODULEENTRY32W module{};
            module.dwSize = sizeof module;
            for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
                std::string name = Gbk(module.szModule);
                std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
                if (name.size() > 4 && name.ends_with(".dll")) names.insert(name);
            }
            CloseHandle(snapshot);
        }
        return names;
    }

    // The marker DLL copied under each name beside the programs and into the
    // start folder.
    bool Plant(const std::set<std::string>& names) const {
        const std::wstring marker = Wide(TestProgramDirectory() + "\\planted_dll.dll");
        for (const std::string& folder : {directory_.Path(), start_folder_})
            for (const std::string& name : names)
                if (!CopyFileW(marker.c_str(), Wide(folder + "\\" + name).c_str(), FALSE)) return false;
        return true;
    }

    // The DLLs whose marker ran, as "folder\name".
    std::vector<std::string> Marks() const {
        std::vector<std::string> marks;
        for (const std::string& folder : {directory_.Path(), start_folder_}) {
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW(Wide(folder + "\\*.ran").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            do marks.push_back(folder + "\\" + Gbk(found.cFileName));
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        return marks;
    }

private:
    ScratchDirectory directory_;
    std::vector<RunningProgram> programs_;
    std::string start_folder_ = directory_.Path() + "\\start";
    std::string desktop_ = directory_.Path() + "\\desktop";
};

void Click(HWND window, int button) { PostMessageW(ControlOf(window, button), BM_CLICK, 0, 0); }

std::size_t WindowCount(const Place& place, const char* program_file) {
    return WindowsOfProgram(place.Directory().ProgramPath(program_file)).size();
}

// The manager's five commands on the card: query, create, edit, a desktop
// shortcut, delete.
void UseManager(Place& place) {
    const DesktopRedirection desktop(place.Desktop());
    HWND window = place.Start("Morvane.exe", "");
    ASSERT_TRUE(window);
    HWND list = ControlOf(window, manager::列表框1);
    ASSERT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 1; }));
    Send(list, LB_SETSEL, TRUE, 0);
    Click(window, manager::按钮1);
    EXPECT_TRUE(WaitUntil([&] { return WindowCount(place, "check.exe") == 1; }));
    Click(window, manager::按钮2);
    EXPECT_TRUE(WaitUntil([&] { return WindowCount(place, "create.exe") == 1; }));
    Click(window, manager::按钮3);
    EXPECT_TRUE(WaitUntil([&] { return WindowCount(place, "create.exe") == 2; }));
    Click(window, manager::按钮5);
    EXPECT_TRUE(WaitUntil([&] { return FileExists(place.Desktop() + "\\" + kCard + ".lnk"); }));
    Click(window, manager::按钮4);
    EXPECT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 0; }));
    EXPECT_FALSE(place.Directory().CardFileExists(kCard));
}

void UseQueryWindow(Place& place) {
    HWND window = place.Start("check.exe", kCard);
    ASSERT_TRUE(window);
    SetTextOf(ControlOf(window, check::编辑框_坐标1), std::string_view("A1"));
    SetTextOf(ControlOf(window, check::编辑框_坐标2), std::string_view("B2"));
    SetTextOf(ControlOf(window, check::编辑框_坐标3), std::string_view("A2"));
    Click(window, check::按钮_查询);
    HWND result = ControlOf(window, check::编辑框_结果);
    // In the order of the card's rows.
    WaitUntil([&] { return TextOf(result) == "a1a2b2"; });
    EXPECT_EQ(TextOf(result), "a1a2b2");
}

void UseEditor(Place& place) {
    HWND window = place.Start("create.exe", std::string("-e ") + kCard);
    ASSERT_TRUE(window);
    Click(window, create::按钮_finish);
    std::optional<MessageBoxContent> box = WaitForMessageBox(place.LastStarted());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "保存密保卡成功！");
    EXPECT_TRUE(DismissMessageBox(box->window));
}

struct ProgramUse {
    const char* name;
    void (*use)(Place& place);
};

class PlantedDllTest : public ::testing::TestWithParam<ProgramUse> {};

TEST_P(PlantedDllTest, RunsInsideNone) {
    std::set<std::string> names(std::begin(kNamesWindowsLoads), std::end(kNamesWindowsLoads));
    {
        Place place;
        GetParam().use(place);
        const std::set<std::string> loaded = place.LoadedDllNames();
        EXPECT_FALSE(loaded.empty());
        names.insert(loaded.begin(), loaded.end());
    }
    Place place;
    ASSERT_TRUE(place.Plant(names));
    GetParam().use(place);
    EXPECT_EQ(place.Marks(), std::vector<std::string>{}) << "of " << names.size() << " DLLs planted";
}

INSTANTIATE_TEST_SUITE_P(Programs, PlantedDllTest,
                         ::testing::Values(ProgramUse{"Manager", UseManager}, ProgramUse{"QueryWindow", UseQueryWindow},
                                           ProgramUse{"Editor", UseEditor}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace morvane::test
