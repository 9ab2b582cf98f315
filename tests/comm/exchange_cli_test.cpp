// zlm-exchange: each command against the virtual ECU on a pseudo-terminal,
// with a settings folder of the test's own (settings file, registry file and
// definition file), and once through the real program.
#include "comm/exchange_cli.h"

#include "comm/data_exchange.h"
#include "comm/ecu_protocol.h"
#include "data/data_file.h"
#include "platform/text_file.h"
#include "platform/settings_folder.h"
#include "sim/virtual_ecu.h"
#include "tests/comm/exchange_fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zlm {
namespace {

namespace fs = std::filesystem;

// The range of the standard data file, so that a written file reads back whole.
constexpr std::uint16_t kFirst = 0x8000;
constexpr std::uint16_t kLast = 0x85FF;
// A shorter calibration range for the read tests.
constexpr std::uint16_t kShortLast = 0x80FF;
// Characters of the first record (S113 8000, 16 data bytes, checksum).
constexpr int kFirstRecordChars = 42;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

class ExchangeCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int n = 0;
        m_dir = fs::temp_directory_path()
            / ("zlm-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "tmp");
        fs::copy_file(fs::path(ZLM_RES_DIR) / "ZLM350.def", m_dir / "ZLM350.STZ");
    }
    void TearDown() override
    {
        if (m_ecu)
            m_ecu->stop();
        fs::remove_all(m_dir);
    }

    // A virtual ECU over the standard data file's range (or a shorter one,
    // ending at `last`, for quicker reads); the settings file puts it on PORT1.
    void startEcu(std::vector<const char*> faults = {}, std::uint8_t answer = 0x30,
        std::uint16_t last = kLast)
    {
        m_last = last;
        sim::VirtualEcuConfig config;
        config.calibStart = kFirst;
        config.calibEnd = last;
        config.answer = answer;
        config.echoTimeoutMs = 200;
        config.idleTimeoutMs = 200;
        for (const char* fault : faults)
            config.faults.push_back(*sim::parseFault(fault));
        m_ecu = std::make_unique<sim::VirtualEcu>(config);
        ASSERT_TRUE(m_ecu->openPty()) << m_ecu->error();
        std::vector<std::uint8_t> pattern(last - kFirst + 1);
        for (std::size_t i = 0; i < pattern.size(); ++i)
            pattern[i] = static_cast<std::uint8_t>(i * 7 + 3);
        // The last byte is the checksum byte, as after a write by the tool.
        pattern.back() = checksumByteFor(std::span(pattern).first(pattern.size() - 1));
        m_ecu->setImage(kFirst, pattern);
        m_ecu->start();
        writeIni("PORT=PORT1\r\n", "PORT1=" + m_ecu->devicePath() + "\r\n");
    }

    // TIMEOUT 100: echoes are generous on a busy machine; with the fast tick a
    // silent line still fails within a few hundred milliseconds.
    void writeIni(const std::string& portLine, const std::string& devices)
    {
        writeText(m_dir / "ZLM350.ini",
            "[RS232C]\r\n" + portLine + "SPEED=19200\r\nXFLLOW=NO\r\nTIMEOUT=100\r\n[DEVICES]\r\n"
                + devices);
    }

    void writeRegistry(const std::string& values)
    {
        writeText(m_dir / "registry.reg", "[SOFTWARE\\ZLM-350]\r\n" + values);
    }

    ExchangeEnvironment environment() const
    {
        ExchangeEnvironment env;
        env.settingsDir = m_dir;
        env.programDir = m_dir;
        const fs::path dir = m_dir;
        env.find = [dir](std::string_view name) { return findFileNoCase(dir, name); };
        env.tempDirectory = m_dir / "tmp";
        env.tickPeriod = std::chrono::milliseconds(3);
        return env;
    }

    CliRun run(std::vector<std::string> args) const
    {
        std::ostringstream out, err;
        CliRun r;
        r.code = runExchangeCli(args, out, err, environment());
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    std::vector<std::uint8_t> ecuMemory() const
    {
        return m_ecu->memory(kFirst, m_last - kFirst + 1);
    }
    bool tempFolderEmpty() const { return fs::is_empty(m_dir / "tmp"); }
    fs::path path(const std::string& name) const { return m_dir / name; }

    // The standard data file cut to its first four records (8000 to 803F),
    // with one data byte changed so that its stored checksum byte is stale.
    fs::path staleChecksumDataFile() const
    {
        std::istringstream in(readAll(fs::path(ZLM_RES_DIR) / "Standard_data.lyn"));
        std::string text;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("S1") && line.compare(4, 4, "8040") >= 0)
                continue;
            if (line.starts_with("S1138000"))
                line[8] = line[8] == '0' ? '1' : '0'; // high digit of the byte at 8000
            text += line + "\n";
        }
        const fs::path file = m_dir / "stale.lyn";
        writeText(file, text);
        return file;
    }

    // The image the data file holds, read independently of the program.
    static std::vector<std::uint8_t> dataFileImage(const fs::path& file)
    {
        const auto lines = readTextLines(file.string());
        EXPECT_TRUE(lines);
        auto image = std::make_unique<std::array<std::uint8_t, 65536>>();
        std::uint16_t lowest = 0, highest = 0;
        EXPECT_TRUE(readDataSection(*lines, *image, lowest, highest).ok());
        EXPECT_EQ(lowest, kFirst);
        return { image->begin() + lowest, image->begin() + highest + 1 };
    }

    fs::path m_dir;
    std::unique_ptr<sim::VirtualEcu> m_ecu;
    std::uint16_t m_last = kLast;
};

TEST_F(ExchangeCli, IdentifyReportsTheEcuTypeOrTheFailure)
{
    startEcu();
    CliRun r = run({ "identify" });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "ECU type QX\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(tempFolderEmpty()) << "the expanded definition file stays behind";

    // The expected type comes from the registry file.
    writeRegistry("\"EcuCheckResult\"=sz:\"QZ\"\r\n");
    r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ECU type is different.\n");
}

TEST_F(ExchangeCli, IdentifyOfAWrongOrSilentEcuFails)
{
    startEcu({ "wrong-type" });
    CliRun r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ECU type is different.\n");
    m_ecu->stop();

    startEcu({ "no-answer" });
    r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "No response from ECU.\n");
    // A single-value write finds the same silence.
    r = run({ "set-byte", "8100", "5A" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "No response from ECU.\n");
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(ExchangeCli, TheCommunicationLogOfTheRegistryIsWritten)
{
    startEcu();
    const fs::path log = path("comm.log");
    writeRegistry("\"CommoLog\"=sz:\"" + log.string() + "\"\r\n");
    ASSERT_EQ(run({ "identify" }).code, 0);
    const std::string text = readAll(log);
    EXPECT_NE(text.find("WriteFile:EcuCheckCommand   Buffer=BF"), std::string::npos) << text;
    EXPECT_NE(text.find("ReadFile:EcuCheckCommand2   Buffer=58"), std::string::npos) << text;
}

TEST_F(ExchangeCli, ReadWritesRecordsThatSrecCatTurnsIntoTheEcuMemory)
{
    startEcu({}, 0x30, kShortLast);
    const fs::path obj = path("ecu.obj");
    const CliRun r = run({ "read", obj.string() });
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");

    const std::string text = readAll(obj);
    EXPECT_TRUE(text.starts_with("S1138000")) << text.substr(0, 60);
    EXPECT_TRUE(text.ends_with("\r\nS9030000FC\r\n"));
    // Every line ends CR LF: as many carriage returns as line feeds.
    EXPECT_EQ(
        std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), (kShortLast - kFirst + 1) / 16 + 1);

    const fs::path bin = path("ecu.bin");
    const std::string command = "srec_cat '" + obj.string() + "' -offset -0x8000 -o '"
        + bin.string() + "' -binary > '" + path("srec_cat.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << readAll(path("srec_cat.txt"));
    const std::string bytes = readAll(bin);
    const auto memory = ecuMemory();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), memory);

    // The file reads back as an OBJ file whose last byte is the checksum byte.
    const CliRun r2 = run({ "verify", obj.string() });
    EXPECT_EQ(r2.code, 0) << r2.err;
    EXPECT_EQ(r2.out, "Same\n");
}

TEST_F(ExchangeCli, TheStandardDataFileWritesAndVerifiesSame)
{
    startEcu();
    const fs::path data = fs::path(ZLM_RES_DIR) / "Standard_data.lyn";
    CliRun r = run({ "write", data.string() });
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Write completed.\n"); // answer "0" of the definition's "Error Message"
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(m_ecu->imagesReceived(), 1);

    r = run({ "verify", data.string() });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Same\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(ExchangeCli, WriteBringsTheChecksumUpToDateAndVerifyFindsAChangedByte)
{
    startEcu({}, 0x30, 0x803F);
    const fs::path data = staleChecksumDataFile();
    std::vector<std::uint8_t> expected = dataFileImage(data);
    ASSERT_EQ(expected.size(), 0x40u);
    expected.back() = checksumByteFor(std::span(expected).first(expected.size() - 1));
    ASSERT_NE(dataFileImage(data).back(), expected.back())
        << "the file's checksum byte should be stale";

    CliRun r = run({ "write", data.string() });
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ecuMemory(), expected);

    r = run({ "verify", data.string() });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Same\n");

    m_ecu->setImage(
        0x8023, std::vector<std::uint8_t> { static_cast<std::uint8_t>(expected[0x23] ^ 0xFF) });
    r = run({ "verify", data.string() });
    EXPECT_EQ(r.code, 1);
    // The report follows the verdict: "file -> ECU".
    EXPECT_EQ(r.out, "Not same\n"
                     "    Fuel Map1: 1 axis point differs\n"
                     "      RPM point 9: 2200.0 -> 10550.0\n");
    EXPECT_EQ(r.err, "");
}

// Three bytes 01 02 03 at 8000 as an OBJ file.
fs::path writeThreeByteObj(const fs::path& file)
{
    std::string text;
    for (const auto& record : encodeImage(0x8000, std::vector<std::uint8_t> { 0x01, 0x02, 0x03 }))
        text += record + "\r\n";
    writeText(file, text);
    return file;
}

TEST_F(ExchangeCli, WriteOfAnObjFileReplacesItsLastByteWithTheChecksum)
{
    startEcu();
    const CliRun r = run({ "write", writeThreeByteObj(path("three.obj")).string() });
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Write completed.\n");
    EXPECT_EQ(m_ecu->memory(0x8000, 4), (std::vector<std::uint8_t> { 0x01, 0x02, 0x7C, 0x18 }));
}

TEST_F(ExchangeCli, WriteShowsTheAnswerTextOfTheDefinition)
{
    startEcu({}, '4');
    CliRun r = run({ "write", writeThreeByteObj(path("three.obj")).string() });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Engine is running. Stop the engine and write again.\n");
    EXPECT_EQ(r.err, "");

    // A wrong record checksum in an OBJ file is reported; the image still goes.
    writeText(path("bad-sum.obj"), "S1058000010200\r\nS9030000FC\r\n");
    r = run({ "write", path("bad-sum.obj").string() });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "Check Sum Error!\n");
    EXPECT_EQ(m_ecu->memory(0x8000, 2), (std::vector<std::uint8_t> { 0x01, 0x7E }));
}

TEST_F(ExchangeCli, BadFilesFailBeforeAnyExchange)
{
    startEcu({ "no-answer" }); // any exchange would fail with "No response from ECU."
    CliRun r = run({ "write", path("missing.lyn").string() });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed to open file\n" + path("missing.lyn").string() + ": No such file or directory\n");

    writeText(path("bad.lyn"), "[Data]\r\nS1058000XX0277\r\nS9030000FC\r\n");
    r = run({ "verify", path("bad.lyn").string() });
    EXPECT_EQ(r.code, 2); // verify: 1 is "Not same", any failure 2
    EXPECT_EQ(r.err, "Including wrong word in [Data] section\n");

    writeText(path("bad.obj"), "S1058000XX0277\r\nS9030000FC\r\n");
    r = run({ "write", path("bad.obj").string() });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed to read file data\n");
    EXPECT_EQ(m_ecu->imagesReceived(), 0);
}

TEST_F(ExchangeCli, SetByteAndSetWordChangeTheRunningEcu)
{
    startEcu();
    CliRun r = run({ "set-byte", "8100", "5A" });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "( 8100 ) = 5A\n");
    EXPECT_EQ(m_ecu->byteAt(0x8100), 0x5A);

    r = run({ "set-word", "81fe", "1234" });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "( 81FE ) = 1234\n");
    EXPECT_EQ(m_ecu->memory(0x81FE, 2), (std::vector<std::uint8_t> { 0x12, 0x34 }));

    // XON and XOFF pass as data: the settings file switches the flow control off.
    r = run({ "set-word", "8011", "1311" });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(m_ecu->memory(0x8011, 2), (std::vector<std::uint8_t> { 0x13, 0x11 }));
}

TEST_F(ExchangeCli, ACutImageNamesTheErrorAddress)
{
    // The second record breaks off after its address and three data bytes.
    const std::string cut = "cut:" + std::to_string(kFirstRecordChars + 8 + 6);
    startEcu({ cut.c_str() });
    const fs::path obj = path("cut.obj");
    CliRun r = run({ "read", obj.string() });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed to correspond with ECU.\nRead Error Address : 8013\n");
    EXPECT_FALSE(fs::exists(obj)) << "a partial image must not pass for a read";

    r = run({ "verify", (fs::path(ZLM_RES_DIR) / "Standard_data.lyn").string() });
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Failed to correspond with ECU.\nRead Error Address : 8013\n");
    m_ecu->stop();

    startEcu({ cut.c_str() });
    r = run({ "write", (fs::path(ZLM_RES_DIR) / "Standard_data.lyn").string() });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Failed to correspond with ECU.\nWrite Error Address : 8013\n");
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(ExchangeCli, AnInterruptStopsAnImageTransfer)
{
    startEcu();
    const std::atomic<bool> interrupted { true };
    ExchangeEnvironment env = environment();
    env.interrupted = &interrupted;
    std::ostringstream out, err;
    const std::vector<std::string> args = { "read", path("stopped.obj").string() };
    EXPECT_EQ(runExchangeCli(args, out, err, env), 1);
    EXPECT_EQ(err.str(), "Failed to correspond with ECU.\n");
    EXPECT_FALSE(fs::exists(path("stopped.obj")));
    EXPECT_TRUE(tempFolderEmpty());
}

// Ctrl+C is honoured at every byte, also while the ECU says nothing at all.
TEST_F(ExchangeCli, AnInterruptStopsASilentReadAtOnce)
{
    startEcu({ "pause-read:50:3000" });
    std::atomic<bool> interrupted { false };
    ExchangeEnvironment env = environment();
    env.tickPeriod = std::chrono::milliseconds(100); // a 10 s allowance
    env.interrupted = &interrupted;
    // Ctrl+C once the ECU has been silent for a while, inside its pause
    // however late a loaded machine gets there.
    using Clock = std::chrono::steady_clock;
    Clock::time_point interruptedAt {};
    std::thread ctrlC([&] {
        const auto give = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < give
            && (m_ecu->lastSent() == Clock::time_point {}
                || Clock::now() - m_ecu->lastSent() < std::chrono::milliseconds(400)))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        interruptedAt = Clock::now();
        interrupted = true;
    });
    std::ostringstream out, err;
    const std::vector<std::string> args = { "read", path("stopped.obj").string() };
    EXPECT_EQ(runExchangeCli(args, out, err, env), 1);
    ctrlC.join();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - interruptedAt).count(), 0.5);
    EXPECT_EQ(err.str(), "Failed to correspond with ECU.\nRead Error Address : 800F\n");
    EXPECT_FALSE(fs::exists(path("stopped.obj")));
    EXPECT_TRUE(tempFolderEmpty());
}

// A silence of T ticks fails T tick periods after the last byte, within 10 %.
TEST_F(ExchangeCli, ASilentEcuFailsOnTimeForEveryTimeOutSetting)
{
    for (const test::SilenceCase& c : test::kSilenceCases) {
        SCOPED_TRACE(c.ticks);
        test::expectFailsOnTime(c, [&] {
            startEcu({ "cut:100" }, 0x30, kShortLast);
            writeText(m_dir / "ZLM350.ini",
                "[RS232C]\r\nPORT=PORT1\r\nSPEED=19200\r\nXFLLOW=NO\r\nTIMEOUT="
                    + std::to_string(c.ticks) + "\r\n[DEVICES]\r\nPORT1=" + m_ecu->devicePath()
                    + "\r\n");
            ExchangeEnvironment env = environment();
            env.tickPeriod = c.tick;
            std::ostringstream out, err;
            const std::vector<std::string> args = { "read", "-" };
            EXPECT_EQ(runExchangeCli(args, out, err, env), 1);
            const double seconds = std::chrono::duration<double>(
                std::chrono::steady_clock::now() - m_ecu->lastSent())
                                       .count();
            m_ecu->stop();
            return seconds;
        });
    }
}

TEST_F(ExchangeCli, ThePortComesFromTheSettingsTheDefinitionOrTheCommandLine)
{
    startEcu();
    const std::string pty = m_ecu->devicePath();
    const std::string missing = path("no-such-device").string();

    // No PORT in the settings file: the definition's "CommPort" (PORT1) applies.
    writeIni("", "PORT1=" + pty + "\r\n");
    EXPECT_EQ(run({ "identify" }).code, 0);

    writeIni(
        "PORT=PORT2\r\n", "PORT1=" + pty + "\r\nPORT2=" + missing + "\r\nPORT3=" + pty + "\r\n");
    CliRun r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(
        r.err, "No response from ECU.\nzlm-exchange: " + missing + ": No such file or directory\n");
    EXPECT_EQ(run({ "--port", "PORT3", "identify" }).code, 0);
    EXPECT_EQ(run({ "--port=PORT1", "identify" }).code, 0);
    EXPECT_EQ(run({ "--device", pty, "identify" }).code, 0);
}

TEST_F(ExchangeCli, MissingSettingsOrDefinitionStopWithTheProgramsMessage)
{
    CliRun r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ZLM350.ini is not exist.\n");

    writeIni("PORT=PORT1\r\n", "");
    fs::remove(path("ZLM350.STZ"));
    r = run({ "identify" });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Setup file is not exist.\n");
    EXPECT_TRUE(tempFolderEmpty());
}

TEST_F(ExchangeCli, BadUsageExitsTwoWithTheUsageOnStandardError)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        { "fly" },
        { "read" },
        { "identify", "extra" },
        { "set-byte", "8100" },
        { "set-byte", "8100", "100" },
        { "set-byte", "10000", "5A" },
        { "set-word", "8100", "12345" },
        { "set-word", "81G0", "1234" },
        { "--port", "PORT9", "identify" },
        { "--port", "PORT1", "--device", "/dev/null", "identify" },
        { "--device" },
        { "--speed", "9600", "identify" },
    };
    for (const auto& args : bad) {
        const CliRun r = run(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(r.code, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_TRUE(r.err.starts_with("zlm-exchange: ")) << line << r.err;
        EXPECT_NE(r.err.find("Usage: zlm-exchange"), std::string::npos) << line;
    }
    // After "--" everything is a command word or file name.
    const CliRun dashed = run({ "--", "write", "--help" });
    EXPECT_EQ(dashed.code, 1);
    EXPECT_EQ(dashed.err, "ZLM350.ini is not exist.\n");

    const CliRun help = run({ "--help" });
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out, exchangeUsage());
    EXPECT_EQ(help.err, "");
}

// The real program, as a script would run it.
TEST_F(ExchangeCli, TheProgramReadsThroughTheGivenDevice)
{
    startEcu({}, 0x30, kShortLast);
    writeIni("PORT=PORT1\r\n", "PORT1=" + path("no-such-device").string() + "\r\n");
    // "-": the records on standard output.
    const std::string command = "ZLM350_HOME='" + m_dir.string() + "' TMPDIR='"
        + (m_dir / "tmp").string() + "' '" ZLM_BINARY_DIR "/comm/zlm-exchange' --device '"
        + m_ecu->devicePath() + "' read - > '" + path("out.obj").string() + "' 2> '"
        + path("err.txt").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readAll(path("err.txt"));
    EXPECT_EQ(readAll(path("err.txt")), "");

    const std::string text = readAll(path("out.obj"));
    EXPECT_TRUE(text.ends_with("\r\nS9030000FC\r\n"));
    const ObjImage image = readObjFile(path("out.obj").string());
    EXPECT_EQ(image.start, kFirst);
    EXPECT_TRUE(image.checksumOk);
    EXPECT_EQ(image.bytes, ecuMemory());
    EXPECT_TRUE(tempFolderEmpty());
}

// The history folder's files, oldest first.
std::vector<fs::path> historyFiles(const fs::path& settings)
{
    std::vector<fs::path> files;
    if (fs::exists(settings / "history"))
        for (const auto& entry : fs::directory_iterator(settings / "history"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// "read -" into a full disk or a closed pipe fails with the system's reason,
// and the private temporary folder goes on every way out.
TEST_F(ExchangeCli, TheProgramReportsAStandardOutputThatCannotBeWritten)
{
    startEcu({}, 0x30, kShortLast);
    const std::string program = "ZLM350_HOME='" + m_dir.string() + "' TMPDIR='"
        + (m_dir / "tmp").string() + "' '" ZLM_BINARY_DIR "/comm/zlm-exchange' read - 2> '"
        + path("err.txt").string() + "'";
    struct Case {
        std::string redirect;
        std::string reason;
    };
    // The pipe's reader is gone before the first record arrives.
    for (const Case& c : { Case { " > /dev/full", "No space left on device" },
             Case { " | sh -c 'exec 0<&-; sleep 0.3'", "Broken pipe" } }) {
        SCOPED_TRACE(c.redirect);
        const std::string command = "set -o pipefail; " + program + c.redirect;
        const int status = std::system(("bash -c \"" + command + "\"").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(readAll(path("err.txt")), "zlm-exchange: cannot write to standard output: " + c.reason + "\n");
        EXPECT_TRUE(tempFolderEmpty());
    }
}

TEST_F(ExchangeCli, DiffComparesTwoFilesWithoutTheEcuAndExitsZeroOneOrTwo)
{
    writeIni("", ""); // no port at all: diff never opens one
    const fs::path standard = fs::path(ZLM_RES_DIR) / "Standard_data.lyn";
    CliRun r = run({ "diff", standard.string(), standard.string() });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Same\n");

    auto image = dataFileImage(standard);
    image[0x500] ^= 0x01; // first constant of the definition's "Calib": Rev Limit's high byte
    std::string text;
    for (const auto& record : encodeImage(kFirst, image))
        text += record + "\r\n";
    writeText(path("changed.obj"), text);
    r = run({ "diff", standard.string(), path("changed.obj").string() });
    EXPECT_EQ(r.code, 1) << r.err;
    // Both as write would send them: each with its own checksum byte.
    EXPECT_EQ(r.out, "Not same\n"
                     "    Rev Limit: 12800 -> 13056 rpm\n"
                     "    1 other byte differs, at 85FF\n");

    r = run({ "diff", standard.string(), path("missing.obj").string() });
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Failed to open file\n" + path("missing.obj").string() + ": No such file or directory\n");
    r = run({ "diff", standard.string() });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(historyFiles(m_dir).empty());
}

TEST_F(ExchangeCli, ImagesReadAndWrittenAreKeptInTheHistory)
{
    startEcu({}, 0x30, kShortLast);
    CliRun r = run({ "read", path("ecu.obj").string() });
    ASSERT_EQ(r.code, 0) << r.err;
    const auto memory = ecuMemory();
    std::vector<std::uint8_t> changed = memory;
    changed[0x10] ^= 0xFF;
    std::string text;
    for (const auto& record : encodeImage(kFirst, changed))
        text += record + "\r\n";
    writeText(path("changed.obj"), text);
    r = run({ "write", path("changed.obj").string() });
    ASSERT_EQ(r.code, 0) << r.err;

    const auto files = historyFiles(m_dir);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(files[0].filename().string().ends_with("_read.obj")) << files[0];
    EXPECT_EQ(readAll(files[0]), readAll(path("ecu.obj"))); // the records `read` wrote
    EXPECT_TRUE(files[1].filename().string().find("_written") != std::string::npos) << files[1];
    const ObjImage written = readObjFile(files[1].string());
    EXPECT_EQ(written.start, kFirst);
    EXPECT_EQ(written.bytes, ecuMemory());

    // A history that cannot be kept is one line on standard error, never a failure.
    fs::remove_all(m_dir / "history");
    writeText(m_dir / "history", "in the way");
    r = run({ "read", path("again.obj").string() });
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.err.starts_with("zlm-exchange: Not kept in the history: ")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(fs::exists(path("again.obj")));
}

TEST_F(ExchangeCli, WriteWithVerifyReadsTheImageBack)
{
    startEcu({}, 0x30, 0x803F);
    const fs::path data = staleChecksumDataFile();
    CliRun r = run({ "write", data.string(), "--verify" });
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Write completed.\nRead back and compare: Same\n");
    EXPECT_EQ(historyFiles(m_dir).size(), 2u);

    r = run({ "--verify", "verify", data.string() });
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.starts_with("zlm-exchange: --verify goes with write only\n")) << r.err;
}

TEST_F(ExchangeCli, WriteWithVerifyFailsWhenTheEcuKeepsAnotherByte)
{
    startEcu({ "corrupt:35" }, 0x30, 0x803F); // 8023: an engine speed point of Fuel Map1
    const fs::path data = staleChecksumDataFile();
    const CliRun r = run({ "write", "--verify", data.string() });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "Write completed.\n"
                     "Read back and compare: Not same\n"
                     "    Fuel Map1: 1 axis point differs\n"
                     "      RPM point 9: 2200.0 -> 10550.0\n");
    EXPECT_EQ(r.err, "");
}

} // namespace
} // namespace zlm
