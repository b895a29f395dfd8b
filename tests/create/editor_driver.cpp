#include "editor_driver.h"

#include <algorithm>

namespace morvane::test {

namespace {

void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>& files) {
    WIN32_FIND_DATAA found;
    const std::string directory = relative.empty() ? root : root + "\\" + relative;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files.push_back(path + "\\");
            CollectFiles(root, path, files);
        } else {
            files.push_back(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A device-independent copy of the bitmap's pixels, top row first.
std::vector<COLORREF> PixelsOf(HBITMAP bitmap, SIZE size) {
    std::vector<COLORREF> pixels(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC reader = CreateCompatibleDC(nullptr);
    GetDIBits(reader, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(reader);
    return pixels;
}

// Draws into a fresh bitmap of `size` the screen's pixels at `origin` (when
// `caption` is null) or the caption on `background`.
std::vector<COLORREF> Render(SIZE size, POINT origin, const std::string* caption, HGDIOBJ font, UINT format,
                             COLORREF background) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    if (!caption) {
        BitBlt(memory, 0, 0, size.cx, size.cy, screen, origin.x, origin.y, SRCCOPY);
    } else {
        RECT all{0, 0, size.cx, size.cy};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        HGDIOBJ old_font = SelectObject(memory, font);
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, GetSysColor(COLOR_BTNTEXT));
        DrawTextA(memory, caption->c_str(), static_cast<int>(caption->size()), &all, format);
        SelectObject(memory, old_font);
    }
    SelectObject(memory, old_bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::vector<COLORREF> pixels = PixelsOf(bitmap, size);
    DeleteObject(bitmap);
    return pixels;
}

}  // namespace

std::size_t PixelsDifferingFromCaption(HWND control, const std::string& caption, HGDIOBJ font, UINT format,
                                       int inset) {
    RECT area{};
    GetWindowRect(control, &area);
    InflateRect(&area, -inset, -inset);
    const SIZE size{area.right - area.left, area.bottom - area.top};
    const std::vector<COLORREF> shown = Render(size, {area.left, area.top}, nullptr, nullptr, 0, 0);
    const std::vector<COLORREF> drawn = Render(size, {}, &caption, font, format, shown.back());
    // Compared as ink or not, so that a button's shaded face does not count.
    const auto ink = [](COLORREF pixel) {
        return (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) < 3 * 110;
    };
    std::size_t differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) differing += ink(shown[i]) != ink(drawn[i]);
    return differing;
}

std::string Readable(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int wide_length = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), wide_length);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::vector<std::string> FilesBelow(const std::string& directory) {
    std::vector<std::string> files;
    CollectFiles(directory, "", files);
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace morvane::test
