// The sections of a definition file read after a load or by the tools: "Calib"
// (every constant looked up by name and converted), "RS232C", "Diag.Com",
// "Error Message" and "Multi Map", and the CSV text written over the maps that
// the map parser accepts. The input's first byte says how many of the
// following bytes (up to 16) are repeated through the image; the rest is the
// definition's text.
#include "base/app_settings.h"
#include "comm/diag_item.h"
#include "comm/ecu_protocol.h"
#include "comm/serial_link.h"
#include "data/calib.h"
#include "data/constant_value.h"
#include "data/conversion.h"
#include "data/csv_export.h"
#include "data/ecu_data_set.h"
#include "data/map_link.h"
#include "data/map_parser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t pattern = 0;
    if (size > 0) {
        pattern = std::min<std::size_t>(data[0] % 17, size - 1);
        ++data;
        --size;
    }
    const std::uint8_t* bytes = data;
    data += pattern;
    size -= pattern;
    const zlm::LineList definition
        = zlm::LineList::fromText(std::string_view(reinterpret_cast<const char*>(data), size));

    zlm::EcuDataSet set(definition);
    for (std::size_t i = 0; i < zlm::kImageSize; ++i)
        set.image()[i] = pattern == 0 ? 0x03 : bytes[i % pattern];

    // Constants: each one found by its name, in both sizes, and converted.
    for (const zlm::CalibLine& line : zlm::readCalibSection(definition)) {
        for (const int byteSize : { 1, 2 }) {
            const zlm::ConstantInfo info = zlm::findConstant(definition, line.contents(), byteSize);
            if (info.result != zlm::ConstantLookup::Found)
                continue;
            const zlm::ConstantScaling scaling { byteSize, info.lsb, info.offset, info.calc };
            (void)zlm::constantExportText(zlm::constantPhysical(
                scaling, zlm::constantRaw(set.image(), info.address, byteSize)));
        }
    }

    zlm::SerialSettings serial;
    zlm::applyDefinitionSerialSettings(definition, serial);
    zlm::PortParams params;
    (void)zlm::portParamsFor(serial, params);

    for (const zlm::DiagItem& item : zlm::parseDiagItems(definition))
        (void)zlm::monitorValueText(zlm::monitorValue(item, 0x1234));

    for (const std::uint8_t answer : { std::uint8_t('0'), std::uint8_t('A'), std::uint8_t(0xFF) })
        (void)zlm::errorMessageFor(definition, answer);

    // The maps the parser accepts, their preset link and the CSV export.
    auto parsed = zlm::parseMaps(definition, set.image());
    if (parsed.ok()) {
        set.mapMode = parsed->mode;
        set.maps() = std::move(parsed->maps);
        zlm::readPresetLink(set);
        (void)zlm::linkLabelEntries(set);
        const zlm::DisplayFormats formats = zlm::displayFormats(1, 2, 1);
        const std::tm when {};
        (void)zlm::csvText(set, formats, when);
    }
    return 0;
}
