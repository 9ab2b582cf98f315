#include "res/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zlm {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

// Keep sorted by id: looked up with a binary search.
constexpr Entry kStrings[] = {
    {2, "Tavoreth Racing Tool"},
    {3, "\nVex\nConfiguration\nConfuguration(*.cfg)\n.cfg\nVex.Document\nVex Document"},
    {7, "&About LYN_R..."},
    {8, "lyn"},
    {9, "ZLM-350 Data Files(*.lyn)|*.lyn|All Files(*.*)|*.*||"},
    {10, "ZLM-350 OBJ Files(*.obj)|*.obj|All Files(*.*)|*.*||"},
    {11, "SOFTWARE\\ZLM-350"},
    // value conversion
    {1000, "HEX to Physical expression is not correct"},
    {1001, "Error /0"},
    {1002, "Input Data MaxOver"},
    {1003, "Input Data MaxOver"},
    {1004, "Menu\nMenu"},
    {1005, "Data is over Bite size"},
    {1006, "Data is over Word size"},
    {1007, "Cannot input 0"},
    {1008, "Expression has no operand"},
    // files and editing
    {1500, "Used wrong equation"},
    {1503, "Input Data cannot change to value"},
    {1504, "Data is set as before editing"},
    {1505, "Data error"},
    {1506, "Including wrong word"},
    {1507, "[Data] section is not found"},
    {1508, "[Data] section data is not found"},
    {1509, "S-format error in [Data] section"},
    {1510, "Including wrong word in [Data] section"},
    {1514, "[Free Map] or [Config Map] section is not found."},
    {1515, "Format error in [Free Map] section"},
    {1516, "Failed to open file"},
    {1517, "Failed to write file"},
    {1518, "Failed open RS232C port"},
    {1523, "Map Address is wrong"},
    {1524, "No response from ECU."},
    {1525, "Input Data Range Over:%.2f \n (%.2f<=Data<=%.2f)\n set %.2f"},
    {1531, "Input Data Range Over:%.2f \n(%.2f<=Data<=%.2f)\n(%.2f<=Data<=%.2f)\n set %.2f"},
    {1533, "ZLM-350 Data File Save Error!"},
    {1536, "Including wrong word"},
    {1538, "Map names are piled up"},
    {1539, "#1Map or #2Map is empty"},
    {1540, "#3Map and #4Map must be both empth \n or both not empty"},
    {1541, "Data count is different. \n Can't Execute map link."},
    {1542, "ECU type is different."},
    // captions
    {2000, "Map Window"},
    {2001, "Table Window"},
    {2002, "Edit Constants list Data"},
    {2005, "RS232C Parameter Set"},
    {2010, "Add Title"},
    {2011, "Edit Title"},
    {2013, "Menu"},
    {2020, "Multi Map Edit"},
    // questions
    {3001, "Are you sure you want to close without saving the change ?"},
    {3003, "Are you exit ?"},
    {3005, "Do you cancel map link?"},
    {3006, "Do you execute map link?"},
    {3007, "Do you clear map link?"},
    {3008, "Map link was cleared."},
    {61857, "An unknown error occurred while accessing %1."},
};

constexpr bool isSorted()
{
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(isSorted(), "string table must be sorted by id without duplicates");

} // namespace

std::string_view loadString(int id)
{
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const Entry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return it->text;
}

Message messageFor(int id, Icon icon, std::string caption)
{
    return Message{id, std::string(loadString(id)), icon, std::move(caption)};
}

} // namespace zlm
