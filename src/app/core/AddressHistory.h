#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The most recently used Ethernet addresses, newest first.
inline constexpr std::size_t kAddressHistorySize = 9;

// A new address goes first and pushes the oldest out of a full list; an address already
// listed keeps its place. A list longer than kAddressHistorySize (the registry is shared
// with the sibling program) is cut down to it when an address is added.
void RememberAddress(std::vector<std::string>& history, const std::string& address);

// A list as one text the way the settings store keeps it, the string list's comma text:
// entries joined by ",", an entry holding a space or control character, a comma or a
// double quote written in double quotes with its quotes doubled.
std::string ToCommaText(const std::vector<std::string>& entries);
// The reverse. Outside quotes an entry ends at a comma or at white space, as the string
// list reads it; a trailing comma gives a last, empty entry.
std::vector<std::string> FromCommaText(std::string_view text);
