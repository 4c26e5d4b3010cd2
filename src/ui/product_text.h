#pragma once
// The product texts of the splash and About windows and the window title.
#include <string>

namespace kpr {

inline constexpr const char* VersionString = "KPR35T V05.21";
inline constexpr const char* CopyrightLine = "Copyright (C) 2011 Vard Quinta Communications";
inline constexpr const char* PlatformAndVersion = "for Win 95/98/Me/NT/2000/XP Version 5.21";
inline constexpr const char* AboutVersion = "Version 5.21(2011.3.1)";

// "KPR35T(USB) Programmer" for the USB link, "KPR35T Programmer" otherwise.
std::string splash_product_line(const std::string& linkKind);
// "KPR35T(USB) Pager Programmer" / "KPR35T Pager Programmer".
std::string about_title(const std::string& linkKind);
// The model note of the About window.
std::string about_model_note();

} // namespace kpr
