#pragma once
// The program's string table: every user-visible message text with its numeric id.
#include "base/result.h"

#include <string_view>

namespace zlm {

// Text of string `id`; empty when the table has no such id.
std::string_view loadString(int id);

// A message box of string `id` with the given icon and caption (empty caption:
// the application title).
Message messageFor(int id, Icon icon = Icon::Stop, std::string caption = {});

namespace strings {
inline constexpr int kAppTitle = 2;        // "Tavoreth Racing Tool"
inline constexpr int kDocTemplate = 3;
inline constexpr int kAboutMenu = 7;
inline constexpr int kDataFileExt = 8;     // "lyn"
inline constexpr int kDataFileFilter = 9;
inline constexpr int kObjFileFilter = 10;
inline constexpr int kRegistryKey = 11;    // "SOFTWARE\ZLM-350"
inline constexpr int kUnknownFileError = 61857;
} // namespace strings

} // namespace zlm
