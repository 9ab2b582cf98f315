#include "data/map_link.h"

#include "data/map_access.h"
#include "data/srecord.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zlm {
namespace {

// Five maps in a chain from 0x8000: Fuel1..Fuel4 of 2 x 3 points, Ign1 of 3 x 3.
// `presetLines` fill the definition's "Multi Map" section (none when empty).
std::string definitionText(const std::string& presetLines)
{
    std::string text = "[Free Map]\n8000,80FF,0000\n";
    for (const char* name : {"Fuel1", "Fuel2", "Fuel3", "Fuel4", "Ign1", "FuelX"})
        text += std::string(name) + ",0,0\nTHROT,0,255,x,x\nRPM,0,255,x,x\nDATA,0,255,x,x\n";
    if (!presetLines.empty())
        text += "[Multi Map]\n" + presetLines;
    return text;
}

std::string dataFileText()
{
    std::vector<std::uint8_t> bytes;
    auto addMap = [&](int lines, int columns, std::uint8_t first) {
        bytes.push_back(static_cast<std::uint8_t>(lines));
        bytes.push_back(static_cast<std::uint8_t>(columns));
        for (int i = 0; i < lines + columns; ++i)
            bytes.push_back(static_cast<std::uint8_t>(i * 10));
        for (int i = 0; i < lines * columns; ++i)
            bytes.push_back(static_cast<std::uint8_t>(first + i));
    };
    addMap(2, 3, 10);
    addMap(2, 3, 20);
    addMap(2, 3, 30);
    addMap(2, 3, 40);
    addMap(3, 3, 50);
    addMap(2, 3, 60);
    bytes.resize(0x100, 0);
    std::string text = "[Data]\n";
    for (const auto& record : srec::encodeRange(0x8000, bytes, 0x80FF))
        text += record + "\n";
    return text;
}

class MapLinkTest : public ::testing::Test {
protected:
    void load(const std::string& presetLines)
    {
        m_definition = LineList::fromText(definitionText(presetLines));
        const auto path = m_dir / "link.lyn";
        test::writeFile(path, dataFileText());
        ASSERT_TRUE(m_data.load(path.string()).ok());
        m_data.setCurrentMap(0);
    }
    const MapDefinition& map(const std::string& name) { return *mapByName(m_data.maps(), name); }
    std::vector<int> dataOf(const std::string& name)
    {
        const MapDefinition& m = map(name);
        std::vector<int> values;
        for (int i = 0; i < m.dataCount; ++i)
            values.push_back(m_data.read(static_cast<std::uint16_t>(m.dataAddress + i)));
        return values;
    }

    test::TempDir m_dir;
    LineList m_definition;
    EcuDataSet m_data{m_definition};
};

TEST_F(MapLinkTest, PresetTakesValidSlotsAndLocksTheListsForTheRun)
{
    // Slot 0 and 5, a name without a final digit and an unknown map are ignored;
    // a later line for a slot replaces an earlier one.
    load("Fuel9,1\nFuel3,0\nFuelX,2\nFuel4,5\nMissing1,3\nFuel1,1\nFuel2,2\n");
    EXPECT_EQ(m_data.linkList, (std::vector<std::string>{"Fuel1", "Fuel2"}));
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_FALSE(m_data.mapListsEnabled);

    // Four distinct names give a four-map preset; the lock stays after a reload
    // whose definition would leave the lists free.
    load("Fuel1,1\nFuel2,2\nFuel3,3\nFuel4,4\n");
    EXPECT_EQ(m_data.linkList, (std::vector<std::string>{"Fuel1", "Fuel2", "Fuel3", "Fuel4"}));
    load("");
    EXPECT_TRUE(m_data.linkList.empty());
    EXPECT_FALSE(m_data.mapListsEnabled);
}

TEST_F(MapLinkTest, PresetNeedsDistinctFirstPairAndDistinctSecondPair)
{
    load("Fuel1,1\nFuel1,2\n");
    EXPECT_TRUE(m_data.linkList.empty());
    EXPECT_TRUE(m_data.mapListsEnabled);
    load("Fuel1,1\nFuel2,2\nFuel3,3\nFuel2,4\n");
    EXPECT_EQ(m_data.linkList, (std::vector<std::string>{"Fuel1", "Fuel2"}));
}

TEST_F(MapLinkTest, LabelsAndTheirMaps)
{
    load("");
    EXPECT_EQ(currentLinkLabel(m_data), "");
    EXPECT_EQ(mapOfLinkLabel(m_data, "#1,#2"), -1); // empty link list

    applyLink(m_data, kLinkAll, {"Fuel1", "Fuel2", "", ""});
    EXPECT_EQ(currentLinkLabel(m_data), "#1,#2");
    EXPECT_EQ(linkLabelEntries(m_data), (std::vector<std::string>{"#1,#2"}));
    applyLink(m_data, kLinkPairs, {"Fuel1", "Fuel2", "Fuel3", "Fuel4"});
    EXPECT_EQ(linkLabelEntries(m_data), (std::vector<std::string>{"#1,#4", "#2,#3"}));
    EXPECT_EQ(mapOfLinkLabel(m_data, "#1,#4"), 0);
    EXPECT_EQ(mapOfLinkLabel(m_data, "#2,#3"), 1);
    EXPECT_EQ(mapOfLinkLabel(m_data, "#1,#2,#3,#4"), 0);
    EXPECT_EQ(mapOfLinkLabel(m_data, "Fuel1"), -1);
    EXPECT_EQ(currentLinkLabel(m_data), "#1,#4");
    m_data.setCurrentMap(1);
    EXPECT_EQ(currentLinkLabel(m_data), "#2,#3");
}

TEST_F(MapLinkTest, PairsCopyFirstIntoFourthAndSecondIntoThirdAndMarkModified)
{
    load("");
    EXPECT_FALSE(m_data.modified);
    applyLink(m_data, kLinkPairs, {"Fuel1", "Fuel2", "Fuel3", "Fuel4"});
    EXPECT_TRUE(m_data.modified);
    EXPECT_EQ(dataOf("Fuel4"), dataOf("Fuel1"));
    EXPECT_EQ(dataOf("Fuel3"), dataOf("Fuel2"));
    EXPECT_EQ(dataOf("Fuel1"), (std::vector<int>{10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(dataOf("Fuel2"), (std::vector<int>{20, 21, 22, 23, 24, 25}));
    // Nothing beyond the maps' data was touched: Ign1 keeps its values.
    EXPECT_EQ(dataOf("Ign1").front(), 50);
}

TEST_F(MapLinkTest, WrittenDataBytesReachThePartnersAtTheSameOffset)
{
    load("");
    applyLink(m_data, kLinkAll, {"Fuel1", "Fuel2", "Fuel3", "Fuel4"});
    int redraws = 0;
    m_data.afterLinkedWrite = [&] { ++redraws; };
    m_data.write(static_cast<std::uint16_t>(map("Fuel1").dataAddress + 4), 99);
    for (const char* name : {"Fuel1", "Fuel2", "Fuel3", "Fuel4"})
        EXPECT_EQ(dataOf(name)[4], 99) << name;
    EXPECT_EQ(redraws, 1);

    // Axis bytes, bytes of other maps and writes made by the link itself stay put.
    m_data.write(map("Fuel1").x.address, 77);
    EXPECT_NE(m_data.read(map("Fuel2").x.address), 77);
    m_data.write(map("Fuel1").dataAddress, 55, false);
    EXPECT_EQ(dataOf("Fuel2")[0], 10);
    EXPECT_EQ(redraws, 1);

    // Pairs: the map shown for "#2,#3" sends to #3 only.
    applyLink(m_data, kLinkPairs, {"Fuel1", "Fuel2", "Fuel3", "Fuel4"});
    m_data.setCurrentMap(1);
    m_data.write(static_cast<std::uint16_t>(map("Fuel2").dataAddress + 5), 7);
    EXPECT_EQ(dataOf("Fuel3")[5], 7);
    EXPECT_NE(dataOf("Fuel1")[5], 7);
    EXPECT_NE(dataOf("Fuel4")[5], 7);

    // A current map outside the link sends nowhere.
    m_data.setCurrentMap(4);
    m_data.write(map("Ign1").dataAddress, 1);
    for (const char* name : {"Fuel1", "Fuel2", "Fuel3", "Fuel4"})
        EXPECT_NE(dataOf(name)[0], 1) << name;
}

TEST_F(MapLinkTest, ClearingTheLinkReadsThePresetAgain)
{
    load("Fuel1,1\nFuel2,2\n");
    applyLink(m_data, kLinkAll, {"Fuel1", "Fuel3", "", ""});
    clearLink(m_data);
    EXPECT_EQ(m_data.linkMode, kNoLink);
    EXPECT_EQ(m_data.linkList, (std::vector<std::string>{"Fuel1", "Fuel2"}));
}

TEST_F(MapLinkTest, DialogCandidatesAndChecks)
{
    load("");
    EXPECT_EQ(linkFirstCandidates(m_data.maps()),
              (std::vector<std::string>{"Fuel1", "Fuel2", "Fuel3", "Fuel4", "Ign1"}));
    EXPECT_EQ(linkPartnerCandidates(m_data.maps(), "Fuel2"),
              (std::vector<std::string>{"Fuel1", "Fuel3", "Fuel4", "FuelX"}));
    EXPECT_TRUE(linkPartnerCandidates(m_data.maps(), "Ign1").empty());
    EXPECT_TRUE(linkPartnerCandidates(m_data.maps(), "").empty());

    auto id = [](const Status& s) { return s ? 0 : s.error().id; };
    EXPECT_EQ(id(checkLinkDuplicates({"Fuel1", "Fuel2", "Fuel3", "Fuel3"})), 1538);
    EXPECT_EQ(id(checkLinkDuplicates({"Fuel1", "Fuel2", "Fuel2", ""})), 1538);
    EXPECT_EQ(id(checkLinkDuplicates({"Fuel1", "Fuel2", "", ""})), 0);
    EXPECT_EQ(checkLinkDuplicates({"Fuel1", "Fuel2", "Fuel3", "Fuel3"}).error().caption,
              "Multi Map Edit");

    const auto& maps = m_data.maps();
    EXPECT_EQ(id(checkLinkChoice(maps, {"Fuel1", "", "", ""}, kLinkAll)), 1539);
    EXPECT_EQ(id(checkLinkChoice(maps, {"Fuel1", "Fuel2", "Fuel3", ""}, kLinkAll)), 1540);
    EXPECT_EQ(id(checkLinkChoice(maps, {"Fuel1", "Ign1", "", ""}, kLinkAll)), 1541);
    EXPECT_EQ(id(checkLinkChoice(maps, {"Fuel1", "Fuel2", "Ign1", "Fuel4"}, kLinkPairs)), 1541);
    EXPECT_EQ(id(checkLinkChoice(maps, {"Fuel1", "Fuel2", "Fuel3", "Fuel4"}, kLinkPairs)), 0);
    EXPECT_EQ(id(checkLinkChoice(maps, {"", "", "", ""}, kNoLink)), 0);
}

} // namespace
} // namespace zlm
