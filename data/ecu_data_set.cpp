#include "data/ecu_data_set.h"

#include "data/conversion.h"
#include "data/data_file.h"
#include "data/map_access.h"
#include "data/map_link.h"
#include "data/map_parser.h"
#include "platform/text_file.h"
#include "res/string_table.h"

#include <filesystem>
#include <utility>

namespace zlm {

Message abandonedLoadMessage()
{
    Message message = messageFor(strings::kUnknownFileError, Icon::Stop);
    if (const auto at = message.text.find("%1"); at != std::string::npos)
        message.text.erase(at, 2);
    return message;
}

EcuDataSet::EcuDataSet(const LineList& definition) : m_definition(definition) {}

void EcuDataSet::write(std::uint16_t address, std::uint8_t value, bool mirrorIntoLinks)
{
    (*m_image)[address] = value;
    if (mirrorIntoLinks) {
        if (propagateLinkedByte(*this, address, value) > 0 && afterLinkedWrite)
            afterLinkedWrite();
        if (mirror)
            mirror(address, value);
    }
    modified = true;
}

MapDefinition* EcuDataSet::currentMap()
{
    if (m_currentMap < 0 || static_cast<std::size_t>(m_currentMap) >= m_maps.size())
        return nullptr;
    return &m_maps[static_cast<std::size_t>(m_currentMap)];
}

const MapDefinition* EcuDataSet::currentMap() const
{
    return const_cast<EcuDataSet*>(this)->currentMap();
}

void EcuDataSet::setCurrentMap(int index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < m_maps.size())
        m_currentMap = index;
    else
        m_currentMap = m_maps.empty() ? -1 : 0;
}

void EcuDataSet::setPath(std::string path)
{
    m_path = std::move(path);
    m_title = m_path.empty() ? std::string() : std::filesystem::path(m_path).filename().string();
}

void EcuDataSet::forgetFileContents()
{
    m_lines.clear();
    m_maps.clear();
    m_currentMap = -1;
    linkList.clear();
    linkMode = kNoLink;
    titles.clear();
}

LoadResult EcuDataSet::load(const std::string& path)
{
    forgetFileContents();

    auto lines = readTextLines(path);
    if (!lines)
        return {LoadFailure::CannotOpen, messageFor(1516, Icon::Exclamation)};
    m_lines = std::move(*lines);

    // The image is not cleared: bytes outside this file's records keep their values.
    lowest = 0xFFFF;
    highest = 0;
    if (Status status = readDataSection(m_lines, image(), lowest, highest); !status)
        return {LoadFailure::FormatError, status.error()};

    if (Status status = parseMapsInto(); !status)
        return {LoadFailure::FormatError, status.error()};
    titles = readTitleSection(m_lines);
    readPresetLink(*this);
    if (afterMapsParsed)
        afterMapsParsed();
    if (afterLoad)
        afterLoad(m_definition);

    modified = false;
    return {};
}

bool EcuDataSet::hasRange() const { return lowest <= highest; }

void EcuDataSet::fixChecksum()
{
    if (!hasRange())
        return;
    unsigned sum = 0;
    for (std::size_t address = lowest; address < highest; ++address)
        sum += (*m_image)[address];
    write(highest, static_cast<std::uint8_t>(0x7F - sum), false);
}

Status EcuDataSet::save(const std::string& path)
{
    const bool wasModified = modified;
    const std::uint8_t oldChecksum = (*m_image)[highest];

    fixChecksum();
    // Regenerate into a copy so that a failed write leaves the data set as it was.
    LineList lines = m_lines;
    writeDataSection(lines, image(), lowest, highest);
    writeTitleSection(lines, titles);

    if (!writeFileReplacing(path, lines.toText())) {
        (*m_image)[highest] = oldChecksum;
        modified = wasModified;
        return messageFor(1533, Icon::Exclamation);
    }
    m_lines = std::move(lines);
    setPath(path);
    modified = false;
    return Status::success();
}

Status EcuDataSet::parseMapsInto()
{
    auto parsed = parseMaps(m_definition, image());
    if (!parsed)
        return parsed.error();
    mapMode = parsed->mode;
    m_maps = std::move(parsed->maps);
    return Status::success();
}

void EcuDataSet::close()
{
    setPath({});
    forgetFileContents();
}

void EcuDataSet::startEditing(MapDefinition& map)
{
    if (map.edit.part != EditPart::None)
        return;
    map.edit.part = EditPart::Data;
    map.edit.line = 0;
    map.edit.point = 0;
    map.edit.currentValue = (*m_image)[map.dataAddress];
    computeAllowedRange(map, image());
}

void EcuDataSet::selectLine(int index)
{
    MapDefinition* map = currentMap();
    // No line selected (or a stale index): the current cell stays as it is.
    if (!map || index < 0 || index >= map->z.count)
        return;
    map->edit.line = index;
    switch (map->edit.part) {
    case EditPart::Rpm:
        map->edit.currentValue = readXPoint(image(), *map, index, map->edit.point);
        break;
    case EditPart::Throt:
        map->edit.point = index;
        map->edit.currentValue = readZPoint(image(), *map, index);
        break;
    default:
        map->edit.part = EditPart::Data;
        map->edit.currentValue = read(dataCellAddress(*map, index, map->edit.point));
        break;
    }
    computeAllowedRange(*map, image());
}

} // namespace zlm
