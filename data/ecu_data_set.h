#pragma once
// The one ECU data set the program holds: the 64 KiB image of the ECU's
// calibration memory, its calibration range, the lines of the data file, the
// maps of the definition and the state around them. Owned by the application
// object; windows and dialogs reach it through the references they are given.
#include "base/line_list.h"
#include "data/map_definition.h"
#include "base/result.h"

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
    Message message; // FormatError: the section error; CannotOpen: "Failed to open file"
    bool ok() const { return failure == LoadFailure::None; }
};

// The generic file error that follows a section error: the abandoned load is
// reported like any failed file access, "An unknown error occurred while
// accessing ." naming no file, with the stop icon.
Message abandonedLoadMessage();

class EcuDataSet {
public:
    explicit EcuDataSet(const LineList& definition);

    // --- the image -----------------------------------------------------------
    std::span<std::uint8_t, kImageSize> image() { return *m_image; }
    std::span<const std::uint8_t, kImageSize> image() const { return *m_image; }
    std::uint8_t read(std::uint16_t address) const { return (*m_image)[address]; }
    // The single-byte store every editor writes through. Stores the byte; with
    // `mirrorIntoLinks` a data byte of the current map is also written at the
    // same offset into its linked maps (map link), then the `mirror` hook sees
    // the write. Sets the modified flag.
    void write(std::uint16_t address, std::uint8_t value, bool mirrorIntoLinks = true);

    std::uint16_t lowest = 0xFFFF;  // calibration range; the byte at `highest`
    std::uint16_t highest = 0;      // is the checksum byte
    // False while lowest is above highest (nothing loaded, or no data records):
    // there is then no checksum byte and nothing to save.
    bool hasRange() const;

    // --- lines, maps, state --------------------------------------------------
    const LineList& definition() const { return m_definition; }
    LineList& lines() { return m_lines; }
    const LineList& lines() const { return m_lines; }
    std::vector<MapDefinition>& maps() { return m_maps; }
    const std::vector<MapDefinition>& maps() const { return m_maps; }
    MapDefinition* currentMap();   // nullptr when there is none
    const MapDefinition* currentMap() const;
    int currentMapIndex() const { return m_currentMap; }
    // An index outside the map array selects the first map (none when empty).
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
    // False once a preset link was read from the definition: from then on, for
    // the rest of the run, the Multi Map Edit dialog keeps its map lists fixed.
    bool mapListsEnabled = true;
    // The user's titles, name and text alternating (name first); read by a
    // load, written into the "Title" section by a save.
    std::vector<std::string> titles;

    // --- operations ----------------------------------------------------------
    // Reads the data file into the lines, the image and the titles and rebuilds
    // the maps; the link is emptied (mode 2), the definition's preset link read
    // and the modified flag cleared. The image is
    // not cleared first: bytes outside the file's records keep their values.
    // Does not set the path (the Open command does). On a section error the
    // lines and maps read so far stay until the next load or close.
    LoadResult load(const std::string& path);
    // Checksum fix-up, "Data" section regenerated, every line written with CR LF
    // into a temporary file that then replaces `path`. On success the path
    // becomes `path` and the modified flag is cleared. On failure ("ZLM-350 Data
    // File Save Error!", 1533, exclamation icon) an existing file stays whole and
    // the data set (image, lines, path, modified flag) is as it was.
    Status save(const std::string& path);
    // Forgets the path, the lines, the maps and the link (mode 2).
    void close();
    // Checksum fix-up alone: image[highest] = 0x7F - sum(lowest..highest-1),
    // written without mirroring; sets the modified flag. Nothing without a range.
    void fixChecksum();

    // When the map has no edit target yet: a data cell at row 0, column 0.
    void startEditing(MapDefinition& map);
    // Line list choice on the current map: row `index`, the value of the cell
    // under the edit target, then the allowed raw range. An index outside the
    // map's Z points (-1: nothing selected) changes nothing.
    void selectLine(int index);

    // --- hooks filled by later subsystems -------------------------------------
    // After the maps are rebuilt by a load: read the preset link ("Multi Map").
    std::function<void()> afterMapsParsed;
    // After a load: re-read the definition's "RS232C" and "Diag.Com" sections.
    std::function<void(const LineList& definition)> afterLoad;
    // Sees every write made with mirroring (after the link has passed it on).
    std::function<void(std::uint16_t address, std::uint8_t value)> mirror;
    // A write reached linked maps: their windows, if any, need a redraw.
    std::function<void()> afterLinkedWrite;

private:
    void forgetFileContents();
    Status parseMapsInto();

    const LineList& m_definition;
    std::unique_ptr<EcuImage> m_image = std::make_unique<EcuImage>();
    LineList m_lines;
    std::vector<MapDefinition> m_maps;
    int m_currentMap = -1;
    std::string m_path;
    std::string m_title;
};

} // namespace zlm
