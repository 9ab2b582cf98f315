#pragma once
// The rule an installation folder must follow, with "/" as the separator and
// the root: an absolute path of at most 259 characters, no trailing "/", and
// every component non-empty, not beginning or ending with a blank or a tab, not
// ending with a full stop (so "." and ".." are refused; a leading one, as in
// "~/.local", is a hidden folder), and free of the characters " * : < > ? \ |
// and of control characters (a line break in a folder name would break the
// settings, registry and shortcut files that name it).
#include <cstddef>
#include <string_view>

namespace zlm::setup {

enum class FolderCheck { Valid, Invalid, CannotCreate };

inline constexpr std::size_t kMaxFolderChars = 259;

// Checks `path`; with `create`, a valid path is also created folder by folder
// from the root, and each folder must exist afterwards.
FolderCheck checkFolder(std::string_view path, bool create);

} // namespace zlm::setup
