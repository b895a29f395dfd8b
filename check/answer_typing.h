#pragma once
// Types an answer into another program's window as the keyboard would, one
// Unicode key per character: no clipboard, no keyboard layout, no Caps Lock
// in between.
#include <windows.h>

#include <span>
#include <string>

namespace morvane::check {

enum class TypingOutcome {
    kTyped,
    kKeysHeld,           // the user still held a key after 2 s: nothing typed
    kForegroundChanged,  // the target did not take the foreground, or lost it while typing
};

// Waits until the user has let go of Ctrl, Shift, Alt, the Windows keys and
// Enter, makes `target` the foreground and, once its thread has taken the
// activation, types `parts` with a Tab between each two. Stops before any
// character the target no longer holds the foreground for. Takes messages
// sent from other threads meanwhile, never input.
TypingOutcome TypeAnswer(HWND target, std::span<const std::wstring> parts);

}  // namespace morvane::check
