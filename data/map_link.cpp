#include "data/map_link.h"

#include "data/map_access.h"
#include "data/undo_stack.h"
#include "platform/ini_file.h"
#include "res/string_table.h"

#include <algorithm>

namespace zlm {
namespace {

constexpr int kPiledUp = 1538;
constexpr int kFirstOrSecondEmpty = 1539;
constexpr int kThirdFourthUnpaired = 1540;
constexpr int kShapesDiffer = 1541;
constexpr int kCaption = 2020; // "Multi Map Edit"

Message refusal(int id)
{
    return messageFor(id, Icon::Exclamation, std::string(loadString(kCaption)));
}

const MapDefinition* linkMap(const EcuDataSet& data, std::size_t slot)
{
    if (slot >= data.linkList.size())
        return nullptr;
    return mapByName(data.maps(), data.linkList[slot]);
}

bool sameShape(const MapDefinition& a, const MapDefinition& b)
{
    return a.z.count == b.z.count && a.x.count == b.x.count;
}

// The partner slots that follow the map in `slot` (none when it leads no one).
std::vector<std::size_t> followersOf(const EcuDataSet& data, std::size_t slot)
{
    std::vector<std::size_t> followers;
    const std::size_t size = data.linkList.size();
    if (data.linkMode == kLinkAll) {
        for (std::size_t i = 0; i < size; ++i)
            if (i != slot && data.linkList[i] != data.linkList[slot])
                followers.push_back(i);
    } else if (data.linkMode == kLinkPairs && size == 4) {
        if (slot == 0)
            followers.push_back(3);
        else if (slot == 1)
            followers.push_back(2);
    }
    return followers;
}

} // namespace

void readPresetLink(EcuDataSet& data)
{
    const LineList& definition = data.definition();
    const int header = definition.findSection(kMultiMapSection);
    if (header < 0)
        return;

    LinkNames slots;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < definition.count(); ++i) {
        const std::string& line = definition.at(i);
        if (text::sectionName(line))
            break;
        if (text::isSkippable(line))
            continue;
        const auto [name, rest] = text::splitField(line);
        const int slot = profileInt(rest);
        if (name.empty() || !endsInDigit(name) || slot < 1 || slot > 4)
            continue;
        slots[static_cast<std::size_t>(slot - 1)] = std::string(name);
    }
    for (std::string& name : slots)
        if (!name.empty() && !mapByName(data.maps(), name))
            name.clear();

    if (slots[0].empty() || slots[1].empty() || slots[0] == slots[1])
        return;
    data.mapListsEnabled = false;
    data.linkList.push_back(slots[0]);
    data.linkList.push_back(slots[1]);
    if (!slots[2].empty() && !slots[3].empty() && slots[2] != slots[3] &&
        slots[2] != slots[0] && slots[2] != slots[1] && slots[3] != slots[0] &&
        slots[3] != slots[1]) {
        data.linkList.push_back(slots[2]);
        data.linkList.push_back(slots[3]);
    }
}

void clearLink(EcuDataSet& data)
{
    data.linkMode = kNoLink;
    data.linkList.clear();
    readPresetLink(data);
}

std::string currentLinkLabel(const EcuDataSet& data)
{
    if (data.linkMode == kLinkAll)
        return std::string(data.linkList.size() == 2 ? kLabelOneTwo : kLabelAllFour);
    if (data.linkMode == kLinkPairs) {
        const MapDefinition* current = data.currentMap();
        const bool first = current && !data.linkList.empty() && data.linkList.front() == current->name;
        return std::string(first ? kLabelOneFour : kLabelTwoThree);
    }
    return {};
}

int mapOfLinkLabel(const EcuDataSet& data, std::string_view label)
{
    if (data.linkList.empty())
        return -1;
    std::size_t slot = 0;
    if (label == kLabelAllFour || label == kLabelOneTwo || label == kLabelOneFour)
        slot = 0;
    else if (label == kLabelTwoThree && data.linkList.size() > 1)
        slot = 1;
    else
        return -1;
    return mapIndexByName(data.maps(), data.linkList[slot]);
}

std::vector<std::string> linkLabelEntries(const EcuDataSet& data)
{
    if (data.linkMode == kLinkAll)
        return {currentLinkLabel(data)};
    if (data.linkMode == kLinkPairs)
        return {std::string(kLabelOneFour), std::string(kLabelTwoThree)};
    std::vector<std::string> names;
    for (const MapDefinition& map : data.maps())
        names.push_back(map.name);
    return names;
}

std::vector<std::uint16_t> linkedAddresses(const EcuDataSet& data, std::uint16_t address)
{
    std::vector<std::uint16_t> addresses;
    const MapDefinition* current = data.currentMap();
    if (data.linkMode == kNoLink || !current || address < current->dataAddress)
        return addresses;
    const int offset = address - current->dataAddress;
    if (offset >= current->dataCount)
        return addresses;
    const auto& link = data.linkList;
    const auto at = std::find(link.begin(), link.end(), current->name);
    if (at == link.end())
        return addresses;
    for (const std::size_t slot : followersOf(data, static_cast<std::size_t>(at - link.begin()))) {
        const MapDefinition* partner = linkMap(data, slot);
        if (!partner || partner == current || offset >= partner->dataCount)
            continue;
        const int target = partner->dataAddress + offset;
        if (target < static_cast<int>(kImageSize))
            addresses.push_back(static_cast<std::uint16_t>(target));
    }
    return addresses;
}

int propagateLinkedByte(EcuDataSet& data, std::uint16_t address, std::uint8_t value)
{
    const auto addresses = linkedAddresses(data, address);
    for (const std::uint16_t target : addresses) {
        data.write(target, value, false);
        ForgetRedoAt(data, target);
    }
    return static_cast<int>(addresses.size());
}

void copyMapIntoPartners(EcuDataSet& data)
{
    const std::size_t leaders = data.linkMode == kLinkPairs ? 2 : 1;
    for (std::size_t slot = 0; slot < leaders && slot < data.linkList.size(); ++slot) {
        const MapDefinition* source = linkMap(data, slot);
        if (!source || source->dataAddress == 0)
            break;
        for (const std::size_t partnerSlot : followersOf(data, slot)) {
            const MapDefinition* partner = linkMap(data, partnerSlot);
            if (!partner || partner == source)
                continue;
            const int count = std::min(source->dataCount, partner->dataCount);
            for (int i = 0; i < count; ++i) {
                const int from = source->dataAddress + i;
                const int to = partner->dataAddress + i;
                if (from >= static_cast<int>(kImageSize) || to >= static_cast<int>(kImageSize))
                    break;
                data.write(static_cast<std::uint16_t>(to),
                           data.read(static_cast<std::uint16_t>(from)), false);
                ForgetRedoAt(data, static_cast<std::uint16_t>(to));
            }
        }
    }
    data.modified = true;
}

std::vector<std::string> linkFirstCandidates(const std::vector<MapDefinition>& maps)
{
    std::vector<std::string> names;
    for (const MapDefinition& map : maps)
        if (endsInDigit(map.name))
            names.push_back(map.name);
    return names;
}

std::vector<std::string> linkPartnerCandidates(const std::vector<MapDefinition>& maps,
                                               std::string_view first)
{
    std::vector<std::string> names;
    if (first.empty())
        return names;
    const std::string_view stem = first.substr(0, first.size() - 1);
    for (const MapDefinition& map : maps) {
        const std::string_view name = map.name;
        if (name.empty() || name == first || name.substr(0, name.size() - 1) != stem)
            continue;
        names.push_back(map.name);
    }
    return names;
}

Status checkLinkDuplicates(const LinkNames& names)
{
    const bool piled = (!names[1].empty() && (names[1] == names[2] || names[1] == names[3])) ||
                       (!names[2].empty() && names[2] == names[3]);
    if (piled)
        return refusal(kPiledUp);
    return Status::success();
}

Status checkLinkChoice(const std::vector<MapDefinition>& maps, const LinkNames& names, int mode)
{
    if (mode != kLinkAll && mode != kLinkPairs)
        return Status::success();
    if (names[0].empty() || names[1].empty())
        return refusal(kFirstOrSecondEmpty);
    if (names[2].empty() != names[3].empty())
        return refusal(kThirdFourthUnpaired);

    const bool four = !names[2].empty();
    std::array<const MapDefinition*, 4> found{};
    for (std::size_t i = 0; i < (four ? 4u : 2u); ++i) {
        found[i] = mapByName(maps, names[i]);
        if (!found[i])
            return refusal(kShapesDiffer);
    }
    bool same = true;
    if (mode == kLinkAll) {
        for (std::size_t i = 1; i < (four ? 4u : 2u); ++i)
            same = same && sameShape(*found[0], *found[i]);
    } else {
        // Pairs need all four maps: #4 follows #1, #3 follows #2.
        if (!four)
            return refusal(kThirdFourthUnpaired);
        same = sameShape(*found[0], *found[3]) && sameShape(*found[1], *found[2]);
    }
    if (!same)
        return refusal(kShapesDiffer);
    return Status::success();
}

void applyLink(EcuDataSet& data, int mode, const LinkNames& names)
{
    data.linkMode = mode;
    data.linkList.clear();
    for (const std::string& name : names)
        if (!name.empty())
            data.linkList.push_back(name);
    if (mode == kLinkAll || mode == kLinkPairs)
        copyMapIntoPartners(data);
}

} // namespace zlm
