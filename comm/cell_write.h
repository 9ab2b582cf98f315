#pragma once
// Shift+Enter in the table window: the current cell's byte goes straight into
// the running ECU (one-byte write), and with a map link active the same cell
// of every linked map as well.
#include "comm/ecu_protocol.h"
#include "data/ecu_data_set.h"

#include <cstdint>
#include <vector>

namespace zlm {

// Addresses to write for the current cell: the cell first, then the same cell
// of the linked maps. Empty unless the map mode is 0 or 3 and the current
// map's edit part is DATA.
std::vector<std::uint16_t> currentCellAddresses(const EcuDataSet& data);

// Writes the image byte at each of currentCellAddresses() with SCommand,
// stopping at the first failure, whose message it returns. Nothing to write
// is a success without any exchange.
Status writeCurrentCell(EcuProtocol& protocol, const EcuDataSet& data);

} // namespace zlm
