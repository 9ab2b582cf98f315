#pragma once
// The one ECU data set the program holds: the 64 KiB image of the ECU's
// calibration memory, its calibration range, the lines of the data file, the
// maps of the definition and the state around them. Owned by the application
// object; windows and dialogs reach it through the references they are given.
#include "data/line_list.h"
#include "data/map_definition.h"
#include "data/result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zlm {

inline constexpr std::size_t kImageSize = 65536;
using EcuImage = std::array<std::uint8_t, kImageSize>;

// Map link mode: 0 "#1, #2, #3, #4", 1 "#1, #4 / #2, #3", 2 no link.
inline constexpr int kNoLink = 2;

// Why a load failed: the file could not be read ("Failed to open file"), or
// a "Data" or map section error whose message was returned and which the
// caller follows with the generic file error.
enum class LoadFailure { None, CannotOpen, FormatError };

struct LoadResult {
    LoadFailure failure = LoadFailure::None;
    Message message; // the section error, for FormatError
    bool ok() const { return failure == LoadFailure::None; }
};

class EcuDataSet {
public:
    explicit EcuDataSet(const LineList& definition);

    // --- the image -----------------------------------------------------------
    std::span<std::uint8_t, kImageSize> image() { return *m_image; }
    std::span<const std::uint8_t, kImageSize> image() const { return *m_image; }
    std::uint8_t read(std::uint16_t address) const { return (*m_image)[address]; }
    // Stores the byte; with `mirror` a data-cell byte is mirrored into linked
    // maps (the map link hook). Sets the modified flag.
    void write(std::uint16_t address, std::uint8_t value, bool mirror = true);

    std::uint16_t lowest = 0xFFFF;  // calibration range; the byte at `highest`
    std::uint16_t highest = 0;      // is the checksum byte

    // --- lines, maps, state --------------------------------------------------
    const LineList& definition() const { return m_definition; }
    LineList& lines() { return m_lines; }
    const LineList& lines() const { return m_lines; }
    std::vector<MapDefinition>& maps() { return m_maps; }
    const std::vector<MapDefinition>& maps() const { return m_maps; }
    MapDefinition* currentMap();
    int currentMapIndex() const { return m_currentMap; }
    void setCurrentMap(int index);

    const std::string& path() const { return m_path; }   // empty: no data set loaded
    const std::string& title() const { return m_title; } // file name with extension
    void setPath(std::string path);
    bool loaded() const { return !m_path.empty(); }

    int nextViewKind = 0;  // 1 map window, 3 table window
    bool modified = false;
    MapMode mapMode = MapMode::Free;
    int linkMode = kNoLink;
    std::vector<std::string> linkList;

    // --- operations ----------------------------------------------------------
    // Reads the data file into the lines and the image and rebuilds the maps.
    // Does not set the path (the Open command does).
    LoadResult load(const std::string& path);
    // Checksum fix-up, "Data" section regenerated, every line written with CR LF.
    // A failed save leaves any existing file untouched.
    Status save(const std::string& path);
    // Forgets the path, the lines, the maps and the link.
    void close();
    // Checksum fix-up alone: image[highest] = 0x7F - sum(lowest..highest-1).
    void fixChecksum();

    void startEditing(MapDefinition& map);
    void selectLine(int index);

    // --- hooks filled by later subsystems -------------------------------------
    // After a load: re-read the definition's "RS232C" and "Diag.Com" sections.
    std::function<void(const LineList& definition)> afterLoad;
    // Mirrors a data-cell byte into linked maps.
    std::function<void(std::uint16_t address, std::uint8_t value)> mirror;

private:
    const LineList& m_definition;
    std::unique_ptr<EcuImage> m_image = std::make_unique<EcuImage>();
    LineList m_lines;
    std::vector<MapDefinition> m_maps;
    int m_currentMap = -1;
    std::string m_path;
    std::string m_title;
};

} // namespace zlm
