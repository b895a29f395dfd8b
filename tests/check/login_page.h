#pragma once
// What the tests know of login_page.exe (login_page.cpp).

namespace morvane::test::login_page {

inline constexpr wchar_t kPageClass[] = L"MorvaneTestLoginPage";
inline constexpr wchar_t kPopupClass[] = L"MorvaneTestLoginPopup";
inline constexpr wchar_t kPageTitle[] = L"登录页";
inline constexpr wchar_t kPopupTitle[] = L"弹出窗口";

// The fields, kFirstField upwards; the pop-up's one field has the first id.
inline constexpr int kFirstField = 1001;
// The count of keys the page must never get from a typed answer.
inline constexpr int kStatus = 1010;

}  // namespace morvane::test::login_page
