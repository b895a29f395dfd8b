#include "typing_target.h"

#include <memory>
#include <iterator>
#include <string>
#include <type_traits>

#include "system_library.h"

namespace morvane::check {

namespace {

constexpr UINT kForegroundLookMilliseconds = 250;

struct HandleDeleter {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;

DWORD ProcessOf(HWND window) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    return process_id;
}

UniqueHandle OpenForQuery(DWORD process_id) {
    return UniqueHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
}

bool IsShellWindow(HWND window) {
    if (window == GetShellWindow()) return true;
    wchar_t name[32];
    const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
    const std::wstring_view class_name(name, length > 0 ? static_cast<std::size_t>(length) : 0);
    for (std::wstring_view shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"})
        if (class_name == shell) return true;
    return false;
}

// Windows 8 and later hide the windows of other virtual desktops and of
// suspended store apps by cloaking them; before, and under wine, none is.
bool IsCloaked(HWND window) {
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    static const auto get_attribute = SystemFunction<GetAttribute>(L"dwmapi.dll", "DwmGetWindowAttribute");
    constexpr DWORD kCloaked = 14;  // DWMWA_CLOAKED
    DWORD cloaked = 0;
    return get_attribute && SUCCEEDED(get_attribute(window, kCloaked, &cloaked, sizeof cloaked)) && cloaked != 0;
}

bool RunsAMorvaneProgram(DWORD process_id) {
    const UniqueHandle process = OpenForQuery(process_id);
    if (!process) return false;
    // Longer than any program directory a card file path fits in.
    wchar_t image[1024];
    auto size = static_cast<DWORD>(std::size(image));
    return QueryFullProcessImageNameW(process.get(), 0, image, &size) &&
           IsMorvaneProgramFile(std::wstring_view(image, size));
}

}  // namespace

bool IsMorvaneProgramFile(std::wstring_view image_path) {
    const std::size_t separator = image_path.find_last_of(L"\\/");
    const std::wstring_view file = separator == std::wstring_view::npos ? image_path : image_path.substr(separator + 1);
    for (std::wstring_view program : {L"Morvane.exe", L"create.exe", L"check.exe"}) {
        if (CompareStringOrdinal(file.data(), static_cast<int>(file.size()), program.data(),
                                 static_cast<int>(program.size()), TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

bool IsFitToTypeInto(HWND window) {
    if (!window || !IsWindow(window) || GetAncestor(window, GA_ROOT) != window) return false;
    if (!IsWindowVisible(window) || !IsWindowEnabled(window) || IsIconic(window)) return false;
    const auto extended_style = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    if (extended_style & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE)) return false;
    return !IsShellWindow(window) && !IsCloaked(window) && !RunsAMorvaneProgram(ProcessOf(window));
}

std::optional<DWORD> IntegrityLevelOf(DWORD process_id) {
    const UniqueHandle process = OpenForQuery(process_id);
    HANDLE opened = nullptr;
    if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY, &opened)) return std::nullopt;
    const UniqueHandle token(opened);
    alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenIntegrityLevel, buffer, sizeof buffer, &size)) return std::nullopt;
    const PSID label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    if (!label || !IsValidSid(label)) return std::nullopt;
    const UCHAR count = *GetSidSubAuthorityCount(label);
    if (count == 0) return std::nullopt;
    return *GetSidSubAuthority(label, count - 1u);
}

bool MayTypeInto(std::optional<DWORD> target_level, std::optional<DWORD> own_level) {
    return target_level && own_level && *target_level <= *own_level;
}

bool MayTypeInto(HWND target) {
    return MayTypeInto(IntegrityLevelOf(ProcessOf(target)), IntegrityLevelOf(GetCurrentProcessId()));
}

void ForegroundTracker::Remember(HWND window) {
    // The user stays in the page: the timer's looks find the window kept,
    // whose process need not be opened four times a second.
    if (!window || (window == window_ && GetWindowThreadProcessId(window, nullptr) == thread_)) return;
    if (ProcessOf(window) == GetCurrentProcessId() || !IsFitToTypeInto(window)) return;
    window_ = window;
    thread_ = GetWindowThreadProcessId(window, nullptr);
}

BOOL CALLBACK ForegroundTracker::RememberUnlessFound(HWND window, LPARAM tracker) {
    auto* self = reinterpret_cast<ForegroundTracker*>(tracker);
    self->Remember(window);
    return self->window_ == nullptr;
}

void ForegroundTracker::Look() { Remember(GetForegroundWindow()); }

void ForegroundTracker::StartUp(HWND own_window) {
    Look();
    if (!window_) {
        // Top-level windows come in Z order, the topmost first.
        EnumWindows(RememberUnlessFound, reinterpret_cast<LPARAM>(this));
    }
    SetTimer(own_window, kForegroundTimer, kForegroundLookMilliseconds, nullptr);
}

void ForegroundTracker::OnActivate(HWND own_window, UINT state) {
    if (state == WA_INACTIVE) {
        Look();
        SetTimer(own_window, kForegroundTimer, kForegroundLookMilliseconds, nullptr);
    } else {
        KillTimer(own_window, kForegroundTimer);
    }
}

void ForegroundTracker::OnTimer(HWND, UINT timer_id) {
    if (timer_id == kForegroundTimer) Look();
}

HWND ForegroundTracker::Target() const {
    if (!window_ || GetWindowThreadProcessId(window_, nullptr) != thread_ || !IsFitToTypeInto(window_)) return nullptr;
    return window_;
}

}  // namespace morvane::check
