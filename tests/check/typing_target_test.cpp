// Which windows an answer may be typed into, decided on windows of the test
// process, and the integrity rule: wine runs every process with the same
// rights and cloaks no window, so the window tests meet neither.
#include "typing_target.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace morvane::check {
namespace {

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A top-level window of its own class `class_name`, shown unless hidden.
UniqueWindow MakeWindow(const wchar_t* class_name, DWORD style, DWORD extended_style, HWND parent = nullptr) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = class_name;
    RegisterClassExW(&window_class);  // a second time fails, and the first serves
    HWND window = CreateWindowExW(extended_style, class_name, L"登录页", style, 40, 40, 300, 200, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    return UniqueWindow(window);
}

TEST(TypingTarget, OnlyAShownActivatableTopLevelWindowOfAnotherProgramIsFit) {
    constexpr DWORD kShown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    struct Case {
        const char* name;
        const wchar_t* class_name;
        DWORD style;
        DWORD extended_style;
        void (*after)(HWND);
        bool fit;
    };
    const Case cases[] = {
        {"a page", L"MorvaneTestPage", kShown, 0, nullptr, true},
        {"with a dialog frame", L"MorvaneTestPage", kShown, WS_EX_DLGMODALFRAME, nullptr, true},
        {"hidden", L"MorvaneTestPage", WS_OVERLAPPEDWINDOW, 0, nullptr, false},
        {"disabled", L"MorvaneTestPage", kShown | WS_DISABLED, 0, nullptr, false},
        {"minimized", L"MorvaneTestPage", kShown, 0, [](HWND window) { ShowWindow(window, SW_MINIMIZE); }, false},
        {"a tool window", L"MorvaneTestPage", kShown, WS_EX_TOOLWINDOW, nullptr, false},
        {"never activated", L"MorvaneTestPage", kShown, WS_EX_NOACTIVATE, nullptr, false},
        {"the desktop", L"Progman", kShown, 0, nullptr, false},
        {"the desktop's wallpaper", L"WorkerW", kShown, 0, nullptr, false},
        {"the taskbar", L"Shell_TrayWnd", kShown, 0, nullptr, false},
        {"another monitor's taskbar", L"Shell_SecondaryTrayWnd", kShown, 0, nullptr, false},
    };
    for (const Case& c : cases) {
        UniqueWindow window = MakeWindow(c.class_name, c.style, c.extended_style);
        ASSERT_TRUE(window) << c.name;
        if (c.after) c.after(window.get());
        EXPECT_EQ(IsFitToTypeInto(window.get()), c.fit) << c.name;
    }
    UniqueWindow page = MakeWindow(L"MorvaneTestPage", kShown, 0);
    UniqueWindow field = MakeWindow(L"MorvaneTestPage", WS_CHILD | WS_VISIBLE, 0, page.get());
    EXPECT_FALSE(IsFitToTypeInto(field.get())) << "a child window";
    HWND closed = page.get();
    page.reset();
    EXPECT_FALSE(IsFitToTypeInto(closed)) << "a closed window";
}

TEST(TypingTarget, MorvanesProgramsAreKnownByTheirFileNameInAnyCase) {
    for (const wchar_t* path : {L"C:\\Tools\\Morvane\\check.exe", L"D:\\密保卡\\MORVANE.EXE", L"create.exe",
                                L"Z:\\x\\Create.Exe"})
        EXPECT_TRUE(IsMorvaneProgramFile(path));
    for (const wchar_t* path : {L"C:\\Program Files\\Browser\\browser.exe", L"C:\\check.exe\\browser.exe",
                                L"C:\\Tools\\check.exe.bak", L"C:\\Tools\\mycheck.exe", L""})
        EXPECT_FALSE(IsMorvaneProgramFile(path));
}

TEST(TypingTarget, OnlyATargetKnownNotToRunWithHigherRightsIsTypedInto) {
    constexpr DWORD kMedium = SECURITY_MANDATORY_MEDIUM_RID, kHigh = SECURITY_MANDATORY_HIGH_RID,
                    kLow = SECURITY_MANDATORY_LOW_RID;
    struct Case {
        std::optional<DWORD> target, own;
        bool may;
    };
    for (const Case& c : {Case{kMedium, kMedium, true}, Case{kLow, kMedium, true}, Case{kHigh, kHigh, true},
                          Case{kHigh, kMedium, false}, Case{SECURITY_MANDATORY_SYSTEM_RID, kHigh, false},
                          Case{std::nullopt, kMedium, false}, Case{kMedium, std::nullopt, false}})
        EXPECT_EQ(MayTypeInto(c.target, c.own), c.may)
            << c.target.value_or(0xFFFFFFFF) << " from " << c.own.value_or(0xFFFFFFFF);
    // A process's own level reads; one that is not there has none.
    EXPECT_TRUE(IntegrityLevelOf(GetCurrentProcessId()).has_value());
    EXPECT_FALSE(IntegrityLevelOf(0xFFFFFFF0).has_value());
}

}  // namespace
}  // namespace morvane::check
