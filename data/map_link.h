#pragma once
// Map link: two or four maps of the same shape edited as one. While a link is
// in force every data byte written into the current map is written at the same
// data offset into its partner maps, and the edit bar's Label list holds link
// labels instead of map names.
//
// The link state lives in the data set (link mode, link list, map-list lock
// flag); these functions read and change it. Slots: the link list holds the
// names of #1, #2 and, for a four-map link, #3 and #4, in that order.
#include "base/result.h"
#include "data/ecu_data_set.h"
#include "data/map_definition.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

inline constexpr int kLinkAll = 0;    // "#1, #2, #3, #4": #2 to #4 follow #1
inline constexpr int kLinkPairs = 1;  // "#1, #4 / #2, #3": #4 follows #1, #3 follows #2
// kNoLink (2) is in ecu_data_set.h.

inline constexpr std::string_view kLabelAllFour = "#1,#2,#3,#4";
inline constexpr std::string_view kLabelOneFour = "#1,#4";
inline constexpr std::string_view kLabelTwoThree = "#2,#3";
inline constexpr std::string_view kLabelOneTwo = "#1,#2";

inline constexpr std::string_view kMultiMapSection = "Multi Map";

// Preset link from the definition's "Multi Map" section ("name,slot" lines,
// slot 1 to 4; names must end in a digit and name a map of the map array).
// When #1 and #2 are set and differ, the map-list lock flag is cleared and #1,
// #2 are appended to the link list; #3 and #4 follow when both are set and
// differ from each other and from #1 and #2. The link mode is left as it is.
void readPresetLink(EcuDataSet& data);

// Individual editing again: mode 2, link list emptied, the preset read again.
void clearLink(EcuDataSet& data);

// Label of the current link: mode 0 "#1,#2" (two names) or "#1,#2,#3,#4";
// mode 1 "#1,#4" while the current map is #1, else "#2,#3"; empty in mode 2.
std::string currentLinkLabel(const EcuDataSet& data);

// Map index for a picked link label: "#1,#2,#3,#4", "#1,#2", "#1,#4" give #1,
// "#2,#3" gives #2. -1 for any other text, an empty link list or a name that
// is not in the map array.
int mapOfLinkLabel(const EcuDataSet& data, std::string_view label);

// Entries of the Label list for the current link: mode 0 one label, mode 1
// "#1,#4" and "#2,#3", mode 2 every map name in map-list order.
std::vector<std::string> linkLabelEntries(const EcuDataSet& data);

// Addresses that a data byte written at `address` reaches in the partner maps.
// Only a data byte of the current map has partners, and only while the current
// map is a member of the link that sends to them: mode 0 #1 (or any member)
// sends to every other member, mode 1 #1 sends to #4 and #2 to #3. A partner
// address past the partner's data area is never produced.
std::vector<std::uint16_t> linkedAddresses(const EcuDataSet& data, std::uint16_t address);

// Writes `value` into the partners of `address` (without mirroring them
// again); the data set's single-byte store calls it for every mirrored write.
// Returns the number of bytes written.
int propagateLinkedByte(EcuDataSet& data, std::uint16_t address, std::uint8_t value);

// Copies the data of the leading maps into their partners: mode 0 #1 into every
// other member, mode 1 #1 into #4 and #2 into #3; the point count of the source
// (at most the partner's) bytes each. A source at data address 0 stops the
// copy. Marks the data set modified.
void copyMapIntoPartners(EcuDataSet& data);

// --- the Multi Map Edit dialog's rules ---------------------------------------------

// Names offered for #1: every map name ending in a digit, in map-list order.
std::vector<std::string> linkFirstCandidates(const std::vector<MapDefinition>& maps);
// Names offered for #2 to #4 once `first` is #1: every map name with the same
// stem (all but the last character) that differs from `first`, in map-list
// order. Empty for an empty `first`.
std::vector<std::string> linkPartnerCandidates(const std::vector<MapDefinition>& maps,
                                               std::string_view first);

// The four names of a link choice (#1 to #4; empty = not chosen).
using LinkNames = std::array<std::string, 4>;

// "Map names are piled up" (1538) when #2 equals #3 or #4, or #3 equals #4
// (empty names aside).
Status checkLinkDuplicates(const LinkNames& names);
// The checks of modes 0 and 1: #1 and #2 set (1539), #3 and #4 both set or both
// empty (1540), linked maps of equal lines and columns (1541). Exclamation
// icon, caption "Multi Map Edit". Mode 2 passes.
Status checkLinkChoice(const std::vector<MapDefinition>& maps, const LinkNames& names, int mode);

// Puts a checked choice in force: the mode, the non-empty names as the link
// list, and for modes 0 and 1 the copy into the partners.
void applyLink(EcuDataSet& data, int mode, const LinkNames& names);

} // namespace zlm
