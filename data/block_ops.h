#pragma once
// Operations on a block of a map's DATA cells, and the block's text on the
// clipboard. Values are worked in physical units: each cell's raw byte is
// converted with the map's Y conversion, the operation gives a new physical
// value, which is converted back, rounded to the nearest raw value and kept to
// 0..255 and the DATA part's raw limits (the limits a typed value has). Every
// byte goes through the data set's single-byte store, so linked maps follow and
// the data set is marked modified. One operation is one undo record (kind 42)
// holding every changed address with its old value.
//
// Nothing here shows anything: the report (cells clamped, pasted values
// beyond the map) and refusals come back as messages captioned "Table Window".
#include "base/result.h"
#include "data/block_selection.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

struct DisplayFormats;
struct MapDefinition;
class EcuDataSet;

enum class BlockOperation {
    Set, // every cell takes the amount (a physical value)
    Add, // the amount (physical, may be negative) is added
    Scale, // multiplied by the amount in percent (103: 3 % more)
    Interpolate, // bilinear between the block's corners (linear along one line or column)
    Smooth, // each inner cell becomes the mean of its 3 x 3 neighbourhood
};

// The operation's name in the Edit menu's Undo and Redo items: "Set", "Add",
// "Scale", "Interpolate", "Smooth".
std::string_view operationName(BlockOperation operation);
// Set, Add and Scale take an amount from the user.
bool takesAmount(BlockOperation operation);

// The new physical values of a block of `rows` x `columns` values (row by row).
// Interpolate and Smooth work from the values before the operation; a block
// edge keeps its values under Smooth (along a side that is one cell thick the
// block has no edge there, so a single line is smoothed along its length).
std::vector<double> operationResult(
    BlockOperation operation, const std::vector<double>& values, int rows, int columns, double amount);

// What an operation or a paste did.
struct BlockOutcome {
    bool applied = false; // false: refused, nothing was written
    int changed = 0; // cells whose byte changed
    int clamped = 0; // results kept to the allowed raw range
    int ignored = 0; // pasted values that fell beyond the map
    std::vector<Message> messages; // to show in this order
};

// Runs `operation` on `block` (clipped to the map) of `map`, records it for
// undo with capacity `undoSize` and keeps the map's current value in step
// when the current cell changed. A conversion that fails for any cell refuses
// the whole operation.
BlockOutcome applyBlockOperation(EcuDataSet& data, MapDefinition& map, const CellBlock& block,
    BlockOperation operation, double amount, const DisplayFormats& formats, int undoSize);

// --- clipboard ---------------------------------------------------------------------------

// The block's values as a spreadsheet takes them: one line per map line, the
// values in the Y display format separated by tabs, each line ending in "\n".
std::string copyBlockText(const EcuDataSet& data, const MapDefinition& map, const CellBlock& block,
    const DisplayFormats& formats);

// Text from a spreadsheet: lines of values separated by tabs or commas. An
// empty field leaves its cell as it is; lines may differ in length.
struct PastedTable {
    std::vector<std::vector<std::optional<double>>> rows;
    int valueCount() const;
};

// More than one field (a tab, a comma, or more than one line once trailing
// line ends are dropped): the text is pasted as a table, else as one value
// into the cell editor.
bool isTableText(std::string_view text);

// Reads the table; a field that is not a number (blanks around it are
// allowed) refuses the whole text with a message naming it.
Result<PastedTable> parseTableText(std::string_view text);

// Writes the table into the map from (line, point) to the right and down,
// converted, rounded and clamped as an operation; values beyond the map are
// counted as ignored. One undo record named "Paste".
BlockOutcome pasteTable(EcuDataSet& data, MapDefinition& map, int line, int point,
    const PastedTable& table, const DisplayFormats& formats, int undoSize);

} // namespace zlm
