#include "tools/menu_groups.h"

#include "base/line_list.h"
#include "platform/ini_file.h"

#include <algorithm>

namespace zlm {
namespace {

constexpr const char* kSection = "MAP LIST";

bool isListed(const MenuGroups& groups, const std::string& key)
{
    return std::any_of(groups.pairs.begin(), groups.pairs.end(),
                       [&](const auto& pair) { return pair.first == key; });
}

} // namespace

MenuGroups readMenuGroups(const IniFile& ini)
{
    MenuGroups groups;
    groups.otherTitle = ini.getString(kSection, "LIST", "Other Map");
    for (int n = 1;; ++n) {
        const std::string value = ini.getString(kSection, "LIST" + std::to_string(n));
        if (value.empty())
            break;
        const auto comma = value.find(',');
        if (comma == std::string::npos)
            continue;
        std::string key = value.substr(0, comma);
        std::string title = value.substr(comma + 1);
        if (!key.empty() && !title.empty())
            groups.pairs.emplace_back(std::move(key), std::move(title));
    }
    return groups;
}

std::vector<std::string> menuGroupTitles(const MenuGroups& groups,
                                         const std::vector<MapDefinition>& maps)
{
    std::vector<std::string> titles;
    bool needOther = false;
    for (const MapDefinition& map : maps) {
        const auto pair = std::find_if(groups.pairs.begin(), groups.pairs.end(),
                                       [&](const auto& p) { return p.first == map.note; });
        if (pair == groups.pairs.end()) {
            needOther = true;
            continue;
        }
        if (std::find(titles.begin(), titles.end(), pair->second) == titles.end())
            titles.push_back(pair->second);
    }
    if (needOther)
        titles.push_back(groups.otherTitle);
    return titles;
}

std::vector<int> menuGroupMaps(const MenuGroups& groups, const std::vector<MapDefinition>& maps,
                               const std::string& title)
{
    std::vector<int> indexes;
    std::vector<std::string> names;
    auto add = [&](std::size_t i) {
        if (std::find(names.begin(), names.end(), maps[i].name) != names.end())
            return;
        names.push_back(maps[i].name);
        indexes.push_back(static_cast<int>(i));
    };
    if (title == groups.otherTitle) {
        for (std::size_t i = 0; i < maps.size(); ++i)
            if (!isListed(groups, maps[i].note))
                add(i);
        return indexes;
    }
    const auto pair = std::find_if(groups.pairs.begin(), groups.pairs.end(),
                                   [&](const auto& p) { return text::equalsNoCase(p.second, title); });
    if (pair == groups.pairs.end())
        return indexes;
    for (std::size_t i = 0; i < maps.size(); ++i)
        if (maps[i].note == pair->first)
            add(i);
    return indexes;
}

} // namespace zlm
