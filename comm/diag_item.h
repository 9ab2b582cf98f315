#pragma once
// The live monitor's items: the diagnostic values the ECU answers to, listed
// in the definition's "Diag.Com" section, the selection shown in the Monitor
// dialog (kept in the settings file's "DIAGSELECT" section), and the text of
// a value as the dialog shows it.
#include "base/line_list.h"
#include "base/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zlm {

class IniFile;

// One line of "Diag.Com": "No, number, name, unit, size, factor, offset".
struct DiagItem {
    std::uint8_t number = 0; // the request byte sent to the ECU
    int size = 1;            // answer bytes, 1 or 2 (high byte first)
    std::string name;        // row label and the key of the stored selection
    std::string unit;
    std::string factor;      // decimal numbers, read when a value is shown
    std::string offset;
};

// The Monitor dialog's rows; a longer selection is polled but not shown.
inline constexpr int kMonitorRows = 15;

// Every well-formed line of "Diag.Com", in file order: seven fields, the
// number hexadecimal up to FF, the size hexadecimal 1 or 2. Other lines are
// skipped without a message.
std::vector<DiagItem> parseDiagItems(const LineList& definition);

// The first 15 items (their indices).
std::vector<int> defaultMonitorSelection(const std::vector<DiagItem>& items);
// "DIAGSELECT": SELECT0, SELECT1, ... up to the first missing or empty key,
// each the exact name of an item. Any unknown name, or no key at all, gives
// the default selection.
std::vector<int> readMonitorSelection(const IniFile& ini, const std::vector<DiagItem>& items);
// Rewrites "DIAGSELECT": the keys that hold text are emptied in turn, then
// SELECT0.. get the names of the selection's items. Nothing for an empty selection.
Status writeMonitorSelection(
    IniFile& ini, const std::vector<DiagItem>& items, const std::vector<int>& selection);

// offset + raw x factor in single precision (factor and offset read from
// their text; a text that is not a number counts as 0).
float monitorValue(const DiagItem& item, std::uint32_t raw);
// The value with as many decimals as make six characters with its whole
// part ("12.3456", "0.50000", "-12.500"); a whole part of six characters or
// more alone, cut without rounding ("1234567").
std::string monitorValueText(float value);

} // namespace zlm
