// The virtual ECU: its option parsers, monitor answers, and the zlm-ecu-sim
// program run as a child process.
#include "ecu_fixture.h"

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace zlm {
namespace {

using test::EcuLine;

TEST(VirtualEcuOptions, MonitorItems)
{
    auto item = sim::parseMonitorItem("A0=const:500/2");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->number, 0xA0);
    EXPECT_EQ(item->size, 2);
    EXPECT_EQ(item->kind, sim::MonitorItem::Kind::Const);
    EXPECT_EQ(item->value, 500);
    item = sim::parseMonitorItem("1f=ramp");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->number, 0x1F);
    EXPECT_EQ(item->size, 1);
    EXPECT_FALSE(item->sizeGiven);
    EXPECT_TRUE(sim::parseMonitorItem("05=sine/1"));
    EXPECT_FALSE(sim::parseMonitorItem("100=sine"));
    EXPECT_FALSE(sim::parseMonitorItem("05=square"));
    EXPECT_FALSE(sim::parseMonitorItem("05=sine/3"));
    EXPECT_FALSE(sim::parseMonitorItem("05"));
    EXPECT_FALSE(sim::parseMonitorItem("05=const:x"));
}

TEST(VirtualEcuOptions, Faults)
{
    auto f = sim::parseFault("missing-echo:12");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, sim::Fault::Kind::MissingEcho);
    EXPECT_EQ(f->n, 12);
    EXPECT_TRUE(sim::parseFault("no-answer"));
    EXPECT_TRUE(sim::parseFault("slow:5"));
    EXPECT_FALSE(sim::parseFault("slow"));
    EXPECT_FALSE(sim::parseFault("noise:3"));
    EXPECT_FALSE(sim::parseFault("cut:-1"));
    EXPECT_FALSE(sim::parseFault("melt"));
}

TEST(VirtualEcu, AnswersMonitorPollsHighByteFirst)
{
    auto config = EcuLine::defaultConfig();
    config.monitor.push_back(*sim::parseMonitorItem("A0=const:500/2"));
    config.monitor.push_back(*sim::parseMonitorItem("A1=ramp"));
    EcuLine line(config);
    ASSERT_TRUE(line.link.Open(false));
    auto poll = [&](std::uint8_t item, int bytes) {
        line.link.WriteFile(item, "Monitor");
        std::vector<int> answer;
        for (int i = 0; i < bytes; ++i) {
            std::uint8_t b = 0;
            if (line.link.ReadFile(b, "Monitor").count == 1)
                answer.push_back(b);
        }
        return answer;
    };
    EXPECT_EQ(poll(0xA0, 2), (std::vector<int> { 0x01, 0xF4 }));
    EXPECT_EQ(poll(0xA1, 1), std::vector<int> { 0 });
    EXPECT_EQ(poll(0xA1, 1), std::vector<int> { 1 });
    EXPECT_EQ(poll(0xA2, 1), std::vector<int> {}); // unknown item: silence
    EXPECT_EQ(line.ecu.polls(), 3);
}

// zlm-ecu-sim as a child process with its stdout on a pipe.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), ZLM_BINARY_DIR "/sim/zlm-ecu-sim");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = ::fdopen(fds[0], "r");
    }
    ~SimProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out)
            std::fclose(m_out);
    }
    std::string readLine()
    {
        char line[512] = {};
        if (!m_out || !std::fgets(line, sizeof line, m_out))
            return {};
        std::string s(line);
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    int wait()
    {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    std::FILE* m_out = nullptr;
};

TEST(EcuSimProgram, HelpAndBadOptions)
{
    {
        SimProcess help({ "--help" });
        EXPECT_EQ(help.readLine().rfind("Usage: zlm-ecu-sim", 0), 0u);
        while (!help.readLine().empty()) { }
        EXPECT_EQ(help.wait(), 0);
    }
    SimProcess bad({ "--fault", "melt" });
    EXPECT_EQ(bad.readLine(), "");
    EXPECT_EQ(bad.wait(), 2);
}

TEST(EcuSimProgram, ServesAnImageFileThroughItsLink)
{
    const std::string link
        = (std::filesystem::temp_directory_path() / ("zlm-ecu-" + std::to_string(::getpid())))
              .string();
    SimProcess sim({ "--image", ZLM_TEST_DATA_DIR "/small.lyn", "--definition",
        ZLM_RES_DIR "/ZLM350.def", "--type", "AB", "--link", link, "--monitor", "A1=const:77" });
    const std::string device = sim.readLine();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), device);

    SerialSettings serial;
    serial.portIndex = 0;
    serial.flowIndex = 1;
    serial.timeoutMs = test::kTestTimeoutMs;
    AppSettings app;
    app.ecuType = { 'A', 'B', '\0' };
    SerialLink serialLink(serial);
    serialLink.setDeviceResolver([&](int) { return link; });
    TickPump pump(serialLink, test::kTestTick, true);
    EcuProtocol protocol(serialLink, app, [&] { pump(); });

    EXPECT_EQ(protocol.EcuCheckCommand(), 0);
    const ReadEcuResult r = protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->start, 0x8000);
    EXPECT_EQ(r.image->length(), 0x110u);
    EXPECT_EQ(r.image->bytes[0x100], 0x55);

    // Items of the definition's "Diag.Com" answer with their sizes.
    ASSERT_TRUE(serialLink.Open(false));
    std::uint8_t b = 0;
    serialLink.WriteFile(0xA1, "Monitor");
    ASSERT_EQ(serialLink.ReadFile(b, "Monitor").count, 1);
    EXPECT_EQ(b, 77);
    serialLink.WriteFile(0xA0, "Monitor");
    EXPECT_EQ(serialLink.ReadFile(b, "Monitor").count, 1);
    EXPECT_EQ(serialLink.ReadFile(b, "Monitor").count, 1);
    EXPECT_EQ(serialLink.ReadFile(b, "Monitor").count, 0);
    serialLink.Close();

    const WriteEcuResult w = protocol.WriteEcu(0x8000, std::vector<std::uint8_t>(16, 0xEE),
        LineList::fromText("[Error Message]\n0,done\n"));
    EXPECT_TRUE(w.ok);
    ASSERT_TRUE(w.message);
    EXPECT_EQ(w.message->text, "done");
}

} // namespace
} // namespace zlm
