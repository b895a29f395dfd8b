#include "answer_typing.h"

namespace morvane::check {

namespace {

// Far below the 5 s after which Windows shows a window that does not answer
// as hung: the query window takes no input while it types.
constexpr DWORD kKeysReleasedMilliseconds = 2000;
constexpr DWORD kActivationMilliseconds = 1000;
constexpr DWORD kPollMilliseconds = 10;
// Between two keys, so that a busy browser loses none (KeePassXC waits 25 ms
// too, KeePass 35, WinAuth 50).
constexpr DWORD kKeyPauseMilliseconds = 25;

// Keys that would change what the target makes of a typed character (Ctrl+B
// is a shortcut), or send its form (a held Enter's repeat and key-up).
constexpr int kKeysToRelease[] = {VK_CONTROL, VK_SHIFT, VK_MENU, VK_LWIN, VK_RWIN, VK_RETURN};

// Waits, handling what other threads send (a screen reader reading the
// result box), but taking no input.
void Pause(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_SENDMESSAGE);
        MSG ignored;
        PeekMessageW(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

template <typename Condition>
bool PollUntil(DWORD deadline_milliseconds, Condition condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= deadline_milliseconds) return false;
        Pause(kPollMilliseconds);
    }
    return true;
}

bool AnyKeyHeld() {
    for (int key : kKeysToRelease)
        if (GetAsyncKeyState(key) < 0) return true;
    return false;
}

// The target's thread has handled its activation: it is active and has put
// the focus somewhere, so a key goes where the user would type.
bool HasTakenActivation(HWND target) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetForegroundWindow() == target &&
           GetGUIThreadInfo(GetWindowThreadProcessId(target, nullptr), &info) && info.hwndActive == target &&
           info.hwndFocus != nullptr;
}

bool Send(INPUT (&keys)[2]) { return SendInput(2, keys, sizeof(INPUT)) == 2; }

bool TypeCharacter(wchar_t character) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wScan = character;
        key.ki.dwFlags = KEYEVENTF_UNICODE;
    }
    keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    const bool sent = Send(keys);
    SecureZeroMemory(keys, sizeof keys);
    return sent;
}

bool PressTab() {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_TAB;
        key.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_TAB, MAPVK_VK_TO_VSC));
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return Send(keys);
}

}  // namespace

TypingOutcome TypeAnswer(HWND target, std::span<const std::wstring> parts) {
    if (!PollUntil(kKeysReleasedMilliseconds, [] { return !AnyKeyHeld(); })) return TypingOutcome::kKeysHeld;
    SetForegroundWindow(target);
    if (!PollUntil(kActivationMilliseconds, [target] { return HasTakenActivation(target); }))
        return TypingOutcome::kForegroundChanged;
    bool first_key = true;
    const auto next_key = [&] {
        if (!first_key) Pause(kKeyPauseMilliseconds);
        first_key = false;
        return GetForegroundWindow() == target;
    };
    for (std::size_t part = 0; part < parts.size(); ++part) {
        if (part > 0 && (!next_key() || !PressTab())) return TypingOutcome::kForegroundChanged;
        for (wchar_t character : parts[part])
            if (!next_key() || !TypeCharacter(character)) return TypingOutcome::kForegroundChanged;
    }
    return TypingOutcome::kTyped;
}

}  // namespace morvane::check
