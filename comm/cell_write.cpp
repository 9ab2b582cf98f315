#include "comm/cell_write.h"

#include "data/map_link.h"

namespace zlm {

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

    // The same cell of the linked maps, where the link has put the same byte.
    for (const std::uint16_t linked : linkedAddresses(data, addresses.front()))
        addresses.push_back(linked);
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
