#include "manager_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "card_list.h"
#include "commands.h"
#include "manager_controls.h"
#include "manager_resources.h"
#include "paths.h"
#include "window_scaffold.h"

namespace morvane::manager {

namespace {

// Ctrl and Shift clicks select several cards. Not LBS_SORT: the names come
// sorted as Explorer shows them (a directory search returns them in the
// file system's order: creation order on FAT, a hash order elsewhere),
// which the list box's own comparison would undo (card10 before card2),
// comparing each name with others as it is added. The rectangle is kept
// exactly, not rounded down to whole rows.
constexpr DWORD kListOptions = WS_TABSTOP | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
constexpr DWORD kButtonOptions = WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER;
// A status bar lays itself along the client area's bottom edge, full width;
// the rectangle below is where that puts it in the window's outer size.
constexpr DWORD kStatusBarOptions = 0;

using enum ControlKind;

// Creation order is the Tab order: the list, then the buttons top to bottom.
// The list's name for a screen reader, the words of its hint, is both the
// invisible label right before it (which Windows reads) and its own window
// text, which a list box never shows (which wine reads).
constexpr ControlLayout kLayout[] = {
    // name           kind             left  top  width height  caption              options            extended
    {kUnnamedControl, kInvisibleLabel,    0,    0,    0,    0,  L"密保卡列表",       0,                 0},
    {列表框1,         kListBox,           8,    8,  216,  208,  L"密保卡列表",       kListOptions,      WS_EX_CLIENTEDGE},
    {按钮2,           kButton,          236,    8,  111,   30,  L"创建密保卡(&N)",   kButtonOptions,    0},
    {按钮3,           kButton,          236,   48,  111,   30,  L"编辑密保卡(&E)",   kButtonOptions,    0},
    {按钮4,           kButton,          236,   88,  111,   30,  L"删除密保卡(&D)",   kButtonOptions,    0},
    {按钮5,           kButton,          236,  128,  111,   30,  L"创建快捷方式(&L)", kButtonOptions,    0},
    {按钮1,           kButton,          236,  184,  111,   30,  L"查询密保卡(&C)",   kButtonOptions,    0},
    {状态条1,         kStatusBar,         0,  213,  287,   20,  L"",                 kStatusBarOptions, 0},
};

constexpr int kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 363, kWindowHeight = 275;

// The hint that the status bar shows after "提示：" while the pointer is
// over a control; the status bar itself has none and leaves the hint alone.
struct Hint {
    int id;
    const wchar_t* description;
};
constexpr Hint kHints[] = {
    {按钮1, L"查询当前选中的密保卡（只能同时查询一个）"},
    {按钮2, L"创建一个密保卡"},
    {按钮3, L"编辑选中的密保卡（只能同时编辑一个）"},
    {按钮4, L"删除选中的密保卡（可同时删除多个）"},
    {按钮5, L"创建选中密保卡的快捷方式到桌面"},
    {列表框1, L"密保卡列表"},
};

// The commands that need a selected card: the warning box's title and text
// when there is none.
struct SelectionGuard {
    const wchar_t* title;
    const wchar_t* no_selection_text;
};
constexpr SelectionGuard kQueryGuard = {L"查询密保卡", L"请选择要查询的密保卡！"};
constexpr SelectionGuard kEditGuard = {L"编辑密保卡", L"请选择要编辑的密保卡！"};
constexpr SelectionGuard kDeleteGuard = {L"删除密保卡", L"请选择要删除的密保卡！"};
constexpr SelectionGuard kShortcutGuard = {L"创建快捷方式", L"请选择要创建快捷方式的密保卡！"};

// Set once at start-up.
FilePath program_directory;
FocusKeeper focus_keeper;
ScaledLayout window_layout{kLayout, {kWindowWidth, kWindowHeight}};

HWND CardList(HWND window) { return GetDlgItem(window, 列表框1); }
HWND StatusBar(HWND window) { return GetDlgItem(window, 状态条1); }

std::wstring EntryText(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    return text;
}

void SetStatusText(HWND window, const std::wstring& text) {
    SendMessageW(StatusBar(window), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The indexes of the selected entries, top first; after the warning box of
// `guard` nothing when there are none.
std::optional<std::vector<int>> GuardedSelection(HWND window, const SelectionGuard& guard) {
    HWND list = CardList(window);
    auto count = static_cast<int>(SendMessageW(list, LB_GETSELCOUNT, 0, 0));
    if (count <= 0) {
        MessageBoxW(window, guard.no_selection_text, guard.title, MB_OK | MB_ICONWARNING);
        return std::nullopt;
    }
    std::vector<int> indexes(static_cast<std::size_t>(count));
    count = static_cast<int>(
        SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data())));
    indexes.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    if (indexes.empty()) return std::nullopt;
    return indexes;
}

std::optional<std::wstring> TopmostSelectedCard(HWND window, const SelectionGuard& guard) {
    std::optional<std::vector<int>> selected = GuardedSelection(window, guard);
    if (!selected) return std::nullopt;
    return EntryText(CardList(window), selected->front());
}

// A program that cannot be started is not reported: the manager goes on.
void QueryCard(HWND window) {
    if (auto card = TopmostSelectedCard(window, kQueryGuard))
        StartProgram(program_directory, L"check.exe", QueryCommandLine(*card));
}

void CreateCard() { StartProgram(program_directory, L"create.exe", CreateCommandLine()); }

void EditCard(HWND window) {
    if (auto card = TopmostSelectedCard(window, kEditGuard))
        StartProgram(program_directory, L"create.exe", EditCommandLine(*card));
}

// Sends exactly the cards selected when the command began to the Recycle
// Bin, top first. The first card that cannot go stops it, and what went
// before stays gone; a card the user keeps at the shell's question (its
// drive has no bin) stops it too, without a word.
void DeleteCards(HWND window) {
    std::optional<std::vector<int>> selected = GuardedSelection(window, kDeleteGuard);
    if (!selected) return;
    HWND list = CardList(window);
    std::vector<std::wstring> cards;
    for (int index : *selected) cards.push_back(EntryText(list, index));
    int removed = 0;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        switch (DeleteCardFile(window, program_directory, cards[i])) {
            case CardDeletion::kDeleted: break;
            case CardDeletion::kKept: return;
            case CardDeletion::kFailed:
                MessageBoxW(window, L"删除失败！", L"删除密保卡", MB_OK | MB_ICONERROR);
                return;
        }
        // Each earlier removal has moved this entry up by one.
        SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>((*selected)[i] - removed), 0);
        ++removed;
    }
}

// Nothing is shown whether the shortcut was made or not.
void MakeShortcut(HWND window) {
    if (auto card = TopmostSelectedCard(window, kShortcutGuard)) MakeDesktopShortcut(program_directory, *card);
}

// With thousands of cards, storage reserved at once and no scroll bar
// update per entry take a quarter off the filling.
void FillCardList(HWND window) {
    HWND list = CardList(window);
    const std::vector<std::wstring> cards = ListCardNames(program_directory);
    std::size_t bytes = 0;
    for (const std::wstring& card : cards) bytes += (card.size() + 1) * sizeof(wchar_t);
    SendMessageW(list, LB_INITSTORAGE, cards.size(), bytes);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const std::wstring& card : cards) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(card.c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

BOOL OnCreate(HWND window, LPCREATESTRUCT) {
    if (!window_layout.Create(window)) return FALSE;
    program_directory = ProgramDirectory();
    FillCardList(window);
    return TRUE;
}

void OnCommand(HWND window, int id, HWND, UINT notification) {
    if (notification != BN_CLICKED) return;
    switch (id) {
        case 按钮1: QueryCard(window); break;
        case 按钮2: CreateCard(); break;
        case 按钮3: EditCard(window); break;
        case 按钮4: DeleteCards(window); break;
        case 按钮5: MakeShortcut(window); break;
        default: break;
    }
}

// The pointer over a child reaches the parent as WM_SETCURSOR naming the
// child; over the bare client surface it names the window itself.
BOOL OnSetCursor(HWND window, HWND under_pointer, UINT hit_test, UINT message) {
    if (under_pointer == window) {
        if (hit_test == HTCLIENT) SetStatusText(window, L"");
    } else {
        const int id = GetDlgCtrlID(under_pointer);
        for (const Hint& hint : kHints) {
            if (hint.id == id) SetStatusText(window, std::wstring(L"提示：") + hint.description);
        }
    }
    return FORWARD_WM_SETCURSOR(window, under_pointer, hit_test, message, DefWindowProcW);
}

void OnActivate(HWND window, UINT state, HWND, BOOL minimized) {
    focus_keeper.OnActivate(window, state, minimized, CardList(window));
}

void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested) {
    window_layout.OnDpiChanged(window, dpi, *suggested);
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK ManagerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_COMMAND, OnCommand);
        HANDLE_MSG(window, WM_SETCURSOR, OnSetCursor);
        HANDLE_MSG(window, WM_ACTIVATE, OnActivate);
        HANDLE_MSG(window, WM_DPICHANGED, OnDpiChanged);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

const ProgramWindow kManagerWindow = {kWindowClass,  ManagerWindowProc, IDI_MANAGER, kWindowTitle, kProgramWindowStyle,
                                      {kWindowLeft, kWindowTop}, {kWindowWidth, kWindowHeight},
                                      ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};

}  // namespace morvane::manager
