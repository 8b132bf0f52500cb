#pragma once

#include <cstdint>

// The application title: the caption of every message box of the program and of the
// progress window.
inline constexpr const char* kAppTitle = "Kestrel";

// This release of the program, 2.1.160.115: the main window's caption shows it, and an
// embedded image newer than it is marked in the info list.
inline constexpr std::uint32_t kProgramRelease = 0x0201A073;
