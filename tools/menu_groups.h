#pragma once
// The map groups of the menu dialog, from section "MAP LIST" of the settings
// file: "LIST" names the group of maps that belong to no listed group (default
// "Other Map"); "LIST1", "LIST2", ... hold "group key,group title" until the
// first missing or empty key. A map's note (the fourth field of its header line
// in the definition) is its group key.
#include "data/map_definition.h"

#include <string>
#include <utility>
#include <vector>

namespace zlm {

class IniFile;

struct MenuGroups {
    std::string otherTitle = "Other Map";
    // Key and title of each numbered entry with both parts non-empty, in key order.
    std::vector<std::pair<std::string, std::string>> pairs;
};

MenuGroups readMenuGroups(const IniFile& ini);

// The group list: the title of each listed group in the order in which its
// first map comes in the map list (each title once), then the other title when
// some map belongs to no listed group.
std::vector<std::string> menuGroupTitles(const MenuGroups& groups,
                                         const std::vector<MapDefinition>& maps);

// The maps of the group titled `title`: indexes into the map list, one per map
// name. The other title lists the maps of no listed group; a listed title
// (compared without regard to case) lists the maps of the first pair that
// bears it; any other title lists nothing.
std::vector<int> menuGroupMaps(const MenuGroups& groups, const std::vector<MapDefinition>& maps,
                               const std::string& title);

} // namespace zlm
