#include "comm/directory_list.h"

#include "platform/ini_file.h"

namespace zlm {
namespace {

constexpr const char* kSection = "DIRECTORY";
constexpr const char* kNoDirectory = "NO_DIR";

std::string keyOf(std::size_t index) { return "PATH" + std::to_string(index + 1); }

} // namespace

std::vector<std::string> readDirectoryList(const IniFile& ini)
{
    std::vector<std::string> list;
    for (std::size_t i = 0; i < kDirectoryCount; ++i) {
        std::string path = ini.getString(kSection, keyOf(i), kNoDirectory);
        if (path == kNoDirectory)
            break;
        list.push_back(std::move(path));
    }
    return list;
}

std::vector<std::string> storeDirectoryChoice(IniFile& ini, std::vector<std::string> list,
                                              const std::string& chosen)
{
    list.insert(list.begin(), chosen);
    for (std::size_t i = 1; i < list.size();) {
        if (list[i] == chosen)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    if (list.size() > kDirectoryCount)
        list.resize(kDirectoryCount);
    for (std::size_t i = 0; i < list.size(); ++i)
        (void)ini.writeString(kSection, keyOf(i), list[i]);
    return list;
}

} // namespace zlm
