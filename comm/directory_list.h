#pragma once
// The settings file's list of recent data folders: section "DIRECTORY", keys
// "PATH1" (most recent) to "PATH8"; "NO_DIR" marks a missing entry.
#include <string>
#include <vector>

namespace zlm {

class IniFile;

inline constexpr int kDirectoryCount = 8;

// PATH1.. in order, up to the first "NO_DIR".
std::vector<std::string> readDirectoryList(const IniFile& ini);

// `chosen` becomes the first entry; a later equal entry (exact comparison)
// goes; the first eight entries are written as PATH1..PATH8. Keys beyond the
// new count keep their values. Returns the list as written.
std::vector<std::string> storeDirectoryChoice(IniFile& ini, std::vector<std::string> list,
                                              const std::string& chosen);

} // namespace zlm
