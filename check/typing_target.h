#pragma once
// Which window an answer is typed into: the window the user came from to
// the query window, as long as it is still there and fit to type into.
#include <windows.h>

#include <optional>
#include <string_view>

namespace morvane::check {

// The WM_TIMER id of the query window's looks at the foreground.
inline constexpr UINT_PTR kForegroundTimer = 1;

// A top-level window that the user could be typing into: visible, enabled,
// not minimized, not cloaked, neither a tool window nor one that never
// activates, not the desktop or a taskbar, and of no process that runs one
// of Morvane's programs.
bool IsFitToTypeInto(HWND window);

// Whether `image_path` (a process's program file) is one of Morvane's three
// programs, whatever the case of its name.
bool IsMorvaneProgramFile(std::wstring_view image_path);

// The mandatory integrity level (SECURITY_MANDATORY_*_RID) of a process's
// token, or nothing where it cannot be read, as from a normal process for
// an elevated one.
std::optional<DWORD> IntegrityLevelOf(DWORD process_id);

// Windows drops synthetic keys bound for a process of higher integrity
// without a word (UIPI), so only a target known not to be higher is typed
// into.
bool MayTypeInto(std::optional<DWORD> target_level, std::optional<DWORD> own_level);
// The same for the process of `target` and this one.
bool MayTypeInto(HWND target);

// The most recent fit window that held the foreground while the query
// window was not active. Wine delivers no EVENT_SYSTEM_FOREGROUND without a
// window manager, so the foreground is looked at: when the query window is
// deactivated, and then four times a second until it is active again. The
// first look may come too early: the window taking the foreground may not
// yet have handled its activation, and then there is none.
class ForegroundTracker {
public:
    // At start-up, from WM_CREATE: the foreground window if it is fit, else
    // the topmost fit window (the desktop or the manager hold the
    // foreground when they start the query window). Looks on until the
    // window is first activated.
    void StartUp(HWND own_window);
    void OnActivate(HWND own_window, UINT state);
    void OnTimer(HWND own_window, UINT timer_id);

    // The window to type into, or null where there is none or it has gone
    // or is no longer fit.
    HWND Target() const;

private:
    void Remember(HWND window);
    void Look();
    static BOOL CALLBACK RememberUnlessFound(HWND window, LPARAM tracker);

    HWND window_ = nullptr;
    DWORD thread_ = 0;  // the window's, so that a handle used again is told apart
};

}  // namespace morvane::check
