#pragma once
// One map of the ECU definition: its layout in the memory image, its three
// axis descriptors and the editing state shared by the windows that show it.
#include "data/undo_stack.h"

#include <cstdint>
#include <string>

namespace zlm {

// How the maps of the definition are held: 1 free maps ("[Free Map]"),
// 0 config maps with list axes, 3 config maps with axes in the image.
enum class MapMode { Config = 0, Free = 1, ConfigInImage = 3 };

struct AxisDescriptor {
    std::string name;
    std::uint8_t count = 0;       // number of points (Y data: the map's data count applies)
    std::uint16_t address = 0;    // first value in the image
    std::string values;           // config-map list axis: comma-separated physical values
    std::string maximum;          // physical, as written in the definition
    std::string minimum;
    std::string toPhysical;       // raw-to-physical expression
    std::string toRaw;            // physical-to-raw expression
    std::string lowerLimit;       // optional edit limits (physical); empty: minimum/maximum
    std::string upperLimit;
    int width = 1;                // bytes per value: 1, or 2 (big-endian)
    int spacing = 0;              // config-map memory axis: fifth field of its line
};

// What the current cell of a map is: 1 data (DATA), 2 X point (RPM), 3 Z point (THROT).
enum class EditPart { None = 0, Data = 1, Rpm = 2, Throt = 3 };

struct MapEditState {
    EditPart part = EditPart::None;
    int line = 0;                 // current Z index (row)
    int point = 0;                // current X index (column); the Z index when part is Throt
    std::uint16_t currentValue = 0; // raw value of the current cell
    int all = 0;                  // map window draws all lines
    std::uint16_t dragValue = 0;
    int lowerLimit = 0;           // allowed raw range of the current cell
    int upperLimit = 65535;
    int editOwner = 0;            // 1 map window, 2 table window
    UndoStack undo;
    UndoStack redo;               // changes taken back by Undo, newest last
};

struct MapDefinition {
    int kind = 1;                 // 1: one X axis for all Z points; 2: an X axis per Z point
    std::uint16_t startAddress = 0; // free map: its block (count bytes); config map: its data
    std::string name;
    std::string note;
    AxisDescriptor z;             // THROT
    AxisDescriptor x;             // RPM
    AxisDescriptor y;             // DATA
    std::uint16_t dataCount = 0;  // Z count x X count
    std::uint16_t dataAddress = 0;
    MapEditState edit;
};

} // namespace zlm
