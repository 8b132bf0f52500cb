#pragma once

#include <cstdint>

// The application title: the caption of every message box of the program and of the
// progress window.
inline constexpr const char* kAppTitle = "Kestrel";

// This release of the program, 2.1.160.115: the main window's caption shows it, and an
// embedded image newer than it is marked in the info list.
inline constexpr std::uint32_t kProgramRelease = 0x0201A073;

// The maker's contacts, configured with the release. The update messages send the user
// to the support address; a recorder with firmware newer than this release is offered
// the download address of a newer updater (second brand line) or the maker's site.
inline constexpr const char* kSupportEmail = "support@example.invalid";
inline constexpr const char* kNewerUpdaterUrl = "https://example.invalid/downloads/kestrel-pelkar/";
inline constexpr const char* kMakerSiteUrl = "https://example.invalid/";
