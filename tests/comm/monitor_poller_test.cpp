// The live monitor's core: "Diag.Com" items, the stored selection, the value
// text, and the poller running against the virtual ECU over a pseudo-terminal.
#include "comm/diag_item.h"
#include "comm/monitor_poller.h"
#include "ecu_fixture.h"
#include "platform/ini_file.h"
#include "sim/engine_model.h"
#include "../test_support.h"

#include <cmath>
#include <map>
#include <set>

namespace zlm {
namespace {

using test::EcuLine;

std::string diagSection(int count)
{
    std::string text = "[Diag.Com]\n";
    for (int i = 0; i < count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d,%02X,Item%d,u,1,1,0\n", i + 1, 0x80 + i, i);
        text += line;
    }
    return text;
}

TEST(DiagItems, OnlyWellFormedLinesInFileOrder)
{
    const auto items = parseDiagItems(LineList::fromText("[Diag.Com]\n"
                                                         "1,A0,Engine Speed,rpm,2,1,0\n"
                                                         "2,A1,Six fields,%,1,0.5\n"
                                                         "3,100,Too big,u,1,1,0\n"
                                                         "4,A2,Size three,u,3,1,0\n"
                                                         "5,zz,Not hex,u,1,1,0\n"
                                                         "6 , a3 , Water Temp ,\tdeg C, 1 , 1 , -40\n"
                                                         "[Error Message]\n"
                                                         "7,A4,Elsewhere,u,1,1,0\n"));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].number, 0xA0);
    EXPECT_EQ(items[0].size, 2);
    EXPECT_EQ(items[1].number, 0xA3);
    EXPECT_EQ(items[1].name, "Water Temp");
    EXPECT_EQ(items[1].unit, "deg C");
    EXPECT_EQ(items[1].offset, "-40");
}

TEST(DiagItems, StoredSelectionOrFirstFifteen)
{
    test::TempDir dir;
    IniFile ini(dir / "ZLM350.ini");
    const auto items = parseDiagItems(LineList::fromText(diagSection(20)));
    const auto first15 = readMonitorSelection(ini, items);
    ASSERT_EQ(first15.size(), 15u);
    EXPECT_EQ(first15.back(), 14);

    test::writeFile(dir / "ZLM350.ini", "[DIAGSELECT]\nSELECT0=Item3\nSELECT1=Nothing\n");
    EXPECT_EQ(readMonitorSelection(ini, items), first15);
    test::writeFile(dir / "ZLM350.ini", "[DIAGSELECT]\nSELECT0=Item3\nSELECT1=item4\n");
    EXPECT_EQ(readMonitorSelection(ini, items), first15); // names are case-sensitive

    test::writeFile(dir / "ZLM350.ini", "; mine\n[DIAGSELECT]\nSELECT0=Item19\nSELECT1=Item2\n"
                                        "SELECT2=Item5\nSELECT3=\nSELECT4=Item7\n");
    EXPECT_EQ(readMonitorSelection(ini, items), (std::vector<int> { 19, 2, 5 }));

    // A shorter selection empties the keys it no longer uses.
    ASSERT_TRUE(writeMonitorSelection(ini, items, { 4, 1 }).ok());
    EXPECT_EQ(readMonitorSelection(ini, items), (std::vector<int> { 4, 1 }));
    EXPECT_EQ(ini.getString("DIAGSELECT", "SELECT2", "x"), "");
    EXPECT_EQ(ini.getString("DIAGSELECT", "SELECT4", "x"), "Item7"); // past the first gap
    EXPECT_NE(test::readFile(dir / "ZLM350.ini").find("; mine"), std::string::npos);
}

TEST(MonitorValue, SixCharactersWithTheWholePart)
{
    EXPECT_EQ(monitorValueText(12.3456f), "12.3456");
    EXPECT_EQ(monitorValueText(0.5f), "0.50000");
    EXPECT_EQ(monitorValueText(-12.5f), "-12.500");
    EXPECT_EQ(monitorValueText(1234567.8f), "1234567");
    EXPECT_EQ(monitorValueText(-123456.9f), "-123456"); // cut, not rounded
    DiagItem item { 0xA0, 2, "Water", "deg C", "0.1", "-40" };
    EXPECT_EQ(monitorValueText(monitorValue(item, 0x01F4)), "10.0000");
    item.factor = "junk";
    EXPECT_EQ(monitorValueText(monitorValue(item, 7)), "-40.000");
}

// --- the poller on the line ------------------------------------------------------------

struct RecordingDisplay : MonitorDisplay {
    std::map<int, std::vector<std::string>> values;
    void showValue(int row, const std::string& text) override { values[row].push_back(text); }
};

class MonitorLine : public ::testing::Test {
protected:
    static sim::VirtualEcuConfig config(int slowMs = 0)
    {
        auto c = EcuLine::defaultConfig();
        for (const char* m : { "A0=sine/2", "A1=ramp", "A5=silent", "A3=const:7" })
            c.monitor.push_back(*sim::parseMonitorItem(m));
        sim::MonitorItem engine;
        engine.number = 0xA2;
        engine.size = 2;
        engine.kind = sim::MonitorItem::Kind::Engine;
        engine.name = "Engine Speed";
        c.monitor.push_back(engine);
        if (slowMs > 0)
            c.faults.push_back({ sim::Fault::Kind::Slow, slowMs });
        return c;
    }

    void SetUp() override
    {
        line = std::make_unique<EcuLine>(config(slowMs()));
        line->serial.timeoutMs = 20; // each empty read waits 20 ms
        // No identification: its answer could miss a 20 ms wait on a busy machine.
        line->app.ecuType = { '\0', '\0', '\0' };
        poller = std::make_unique<MonitorPoller>(line->link);
        poller->setItems(parseDiagItems(LineList::fromText("[Diag.Com]\n"
                                                            "1,A0,Sine,u,2,0.1,-40\n"
                                                            "2,A1,Ramp,u,1,1,0\n"
                                                            "3,A5,Silent,u,1,1,0\n"
                                                            "4,A2,Engine Speed,rpm,2,1,0\n"
                                                            "5,A3,Seven,u,1,1,0\n")));
        poller->setDisplay(&display);
        line->link.monitorStep = [this] { poller->step(); };
    }
    void TearDown() override { line->link.monitorStep = nullptr; }
    virtual int slowMs() const { return 0; }

    // Ticks the link every `period` until `done` or `limit` passes.
    // m_timeOut counts in the same period.
    template <typename Done>
    bool runUntil(Done done, std::chrono::milliseconds period, std::chrono::milliseconds limit)
    {
        line->link.setTickPeriod(period);
        TickPump pump(line->link, period);
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            pump();
        }
        return done();
    }

    std::unique_ptr<EcuLine> line;
    std::unique_ptr<MonitorPoller> poller;
    RecordingDisplay display;
};

TEST_F(MonitorLine, ValuesInTheirFormatErrorForASilentItemOthersGoOn)
{
    ASSERT_TRUE(poller->start(line->protocol).ok());
    ASSERT_TRUE(poller->running());
    // Ten 5 ms ticks of silence give "Error"; the rows after it keep coming.
    const bool seen = runUntil([&] { return display.values[3].size() >= 3; },
                               std::chrono::milliseconds(5), std::chrono::milliseconds(1500));
    poller->stop();
    ASSERT_TRUE(seen);
    EXPECT_FALSE(line->link.isOpen());
    ASSERT_FALSE(display.values[2].empty());
    for (const std::string& v : display.values[2])
        EXPECT_EQ(v, "Error");
    // The ramp counts up one per poll, the engine speed moves in whole rpm.
    const auto& ramp = display.values[1];
    ASSERT_GE(ramp.size(), 2u);
    EXPECT_EQ(ramp[0], "0.00000");
    EXPECT_EQ(ramp[1], "1.00000");
    std::set<std::string> speeds(display.values[3].begin(), display.values[3].end());
    EXPECT_GE(speeds.size(), 2u);
    for (const std::string& v : display.values[3]) {
        const auto point = v.find('.');
        ASSERT_NE(point, std::string::npos) << v;
        EXPECT_EQ(v.size(), 7u) << v; // e.g. 1300.00 or 10512.0
        EXPECT_GE(std::stod(v), 1300.0);
    }
    for (const std::string& v : display.values[0])
        EXPECT_EQ(v.size(), 7u) << v; // -40.000 .. 6513.50
}

TEST_F(MonitorLine, SingleValueWriteTakesTheLineAndPollingResumes)
{
    ASSERT_TRUE(poller->start(line->protocol).ok());
    ASSERT_TRUE(runUntil([&] { return !display.values[1].empty() && poller->inFlight(); },
                         std::chrono::milliseconds(5), std::chrono::milliseconds(1000)));
    const Status s = line->protocol.SCommand(0x8123, 0x5A);
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(line->ecu.byteAt(0x8123), 0x5A);
    EXPECT_FALSE(line->link.busy);
    EXPECT_TRUE(line->link.isOpen()); // the monitor's port stays open
    const auto before = display.values[1].size();
    EXPECT_TRUE(runUntil([&] { return display.values[1].size() >= before + 2; },
                         std::chrono::milliseconds(5), std::chrono::milliseconds(1500)));
    EXPECT_TRUE(line->link.monitorActive);
    poller->stop();
}

TEST_F(MonitorLine, NothingIsPolledWhileTheDialogIsNotShown)
{
    poller->setDisplay(nullptr);
    ASSERT_TRUE(poller->start(line->protocol).ok());
    runUntil([] { return false; }, std::chrono::milliseconds(5), std::chrono::milliseconds(100));
    EXPECT_EQ(line->ecu.polls(), 0);
    poller->stop();
}

// A new Monitor list (Set Monitor data) while an answer is on its way: that
// answer is still taken off the line, so every row keeps showing its own item.
TEST_F(MonitorLine, NewListWhileAnAnswerIsPendingKeepsRowsInStep)
{
    poller->setSelection({ 1, 4 }); // Ramp, Seven
    ASSERT_TRUE(poller->start(line->protocol).ok());
    line->link.tick(); // the Ramp request goes out
    ASSERT_TRUE(poller->inFlight());
    poller->setSelection({ 1, 4 });
    ASSERT_TRUE(runUntil([&] { return display.values[1].size() >= 3; },
                         std::chrono::milliseconds(5), std::chrono::milliseconds(1500)));
    poller->stop();
    for (const std::string& v : display.values[1])
        EXPECT_EQ(v, "7.00000");
    for (const std::string& v : display.values[0])
        EXPECT_NE(v, "7.00000");
}

class SlowMonitorLine : public MonitorLine {
protected:
    int slowMs() const override { return 8; }
    void SetUp() override
    {
        MonitorLine::SetUp();
        // The real one-second allowance, and reads that wait long enough for
        // an ECU thread that a loaded machine runs late: what is tested is
        // that Stop reads on, not how fast the ECU is.
        line->link.setTickPeriod(std::chrono::milliseconds(100));
        line->serial.timeoutMs = 200;
    }
};

TEST_F(SlowMonitorLine, StopReadsThePendingSecondByte)
{
    poller->setSelection({ 3 }); // Engine Speed, two answer bytes
    ASSERT_TRUE(poller->start(line->protocol).ok());
    line->link.tick(); // sends the request
    ASSERT_TRUE(poller->inFlight());
    line->link.tick(); // the first answer byte (8 ms, the second 8 ms later)
    ASSERT_TRUE(poller->inFlight());
    poller->stop();
    ASSERT_EQ(display.values[0].size(), 1u);
    EXPECT_GE(std::stod(display.values[0][0]), 1300.0);
    EXPECT_FALSE(poller->inFlight());
    EXPECT_FALSE(line->link.isOpen());
}

// The window stalled past the one-second allowance (a busy machine) while the
// answer was on its way: the late answer is still that row's, and the next row
// gets its own rather than the rest of it.
TEST_F(MonitorLine, AnswerReadAfterAStallStaysInItsRow)
{
    line->serial.timeoutMs = 500; // reads wait for the ECU thread however late
    auto skew = std::chrono::steady_clock::duration::zero();
    line->link.setClock([&] { return std::chrono::steady_clock::now() + skew; });
    poller->setSelection({ 0, 4 }); // Sine (two bytes), Seven
    ASSERT_TRUE(poller->start(line->protocol).ok());
    line->link.tick(); // the Sine request
    skew += std::chrono::seconds(2);
    for (int i = 0; i < 6 && display.values[1].empty(); ++i)
        line->link.tick();
    poller->stop();
    ASSERT_EQ(display.values[0].size(), 1u);
    EXPECT_NE(display.values[0][0], "Error");
    ASSERT_EQ(display.values[1].size(), 1u);
    EXPECT_EQ(display.values[1][0], "7.00000");
}

TEST_F(MonitorLine, StartFailuresAreReported)
{
    line->serial.portIndex = -1;
    const Status s = poller->start(line->protocol);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "Failed open RS232C port");
    EXPECT_EQ(s.error().caption, "RS232C Parameter Set");
    EXPECT_EQ(s.error().icon, Icon::Exclamation);
}

// At the real 100 ms tick, a silent item shows "Error" about one second
// after its request went out.
TEST_F(MonitorLine, SilentItemErrorsAfterAboutOneSecond)
{
    poller->setSelection({ 2, 1 });
    ASSERT_TRUE(poller->start(line->protocol).ok());
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(runUntil([&] { return !display.values[0].empty(); },
                         std::chrono::milliseconds(100), std::chrono::milliseconds(3000)));
    const double seconds = test::secondsSince(t0);
    EXPECT_GE(seconds, 0.95);
    EXPECT_LE(seconds, 1.8);
    EXPECT_EQ(display.values[0][0], "Error");
    poller->stop();
}

TEST(EngineModel, MovesLikeARunningEngine)
{
    const auto silent = sim::parseMonitorItem("A2=silent");
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->kind, sim::MonitorItem::Kind::Silent);

    bool known = false;
    std::set<long> speeds;
    double maxThrottle = 0, minThrottle = 100;
    for (double t = 0; t < 8.0; t += 0.25) {
        const double rpm = sim::engineValue("Engine Speed", t, known);
        EXPECT_TRUE(known);
        EXPECT_GE(rpm, 1200.0);
        EXPECT_LE(rpm, 12100.0);
        speeds.insert(std::lround(rpm));
        const double throttle = sim::engineValue("Throttle", t, known);
        maxThrottle = std::max(maxThrottle, throttle);
        minThrottle = std::min(minThrottle, throttle);
    }
    EXPECT_GE(speeds.size(), 20u);
    EXPECT_GT(maxThrottle, 90.0);
    EXPECT_LT(minThrottle, 5.0);
    // The water warms up and never cools down.
    EXPECT_LT(sim::engineValue("Water Temp", 0, known), sim::engineValue("Water Temp", 120, known));
    // Raw answers follow the item's factor and offset: -40 deg C offset, 1 per degree.
    const auto raw = sim::engineRaw("Water Temp", 1.0, -40.0, 255, 600.0);
    EXPECT_NEAR(static_cast<double>(raw) - 40.0, sim::engineValue("Water Temp", 600.0, known), 0.5);
}

} // namespace
} // namespace zlm
