#include "comm/cell_write.h"

#include <algorithm>

namespace zlm {
namespace {

const MapDefinition* mapNamed(const EcuDataSet& data, const std::string& name)
{
    const auto& maps = data.maps();
    const auto it = std::find_if(
        maps.begin(), maps.end(), [&](const MapDefinition& m) { return m.name == name; });
    return it == maps.end() ? nullptr : &*it;
}

} // namespace

std::vector<std::uint16_t> currentCellAddresses(const EcuDataSet& data)
{
    std::vector<std::uint16_t> addresses;
    const int index = data.currentMapIndex();
    if (index < 0 || index >= static_cast<int>(data.maps().size()))
        return addresses;
    if (data.mapMode != MapMode::Config && data.mapMode != MapMode::ConfigInImage)
        return addresses;
    const MapDefinition& map = data.maps()[static_cast<std::size_t>(index)];
    if (map.edit.part != EditPart::Data)
        return addresses;
    const int offset = map.edit.line * map.x.count + map.edit.point;
    addresses.push_back(static_cast<std::uint16_t>(map.dataAddress + offset));

    // The same cell of the link group, as the link propagates a data byte.
    const auto& link = data.linkList;
    auto addLinked = [&](std::size_t slot) {
        if (slot >= link.size())
            return;
        if (const MapDefinition* other = mapNamed(data, link[slot]))
            addresses.push_back(static_cast<std::uint16_t>(other->dataAddress + offset));
    };
    if (data.linkMode == 0) {
        for (std::size_t i = 0; i < link.size(); ++i)
            if (link[i] != map.name)
                addLinked(i);
    } else if (data.linkMode == 1 && !link.empty()) {
        addLinked(link.front() == map.name ? 3 : 2);
    }
    return addresses;
}

Status writeCurrentCell(EcuProtocol& protocol, const EcuDataSet& data)
{
    for (const std::uint16_t address : currentCellAddresses(data)) {
        Status s = protocol.SCommand(address, data.read(address));
        if (!s)
            return s;
    }
    return Status::success();
}

} // namespace zlm
