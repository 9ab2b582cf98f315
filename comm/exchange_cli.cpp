#include "comm/exchange_cli.h"

#include "base/app_settings.h"
#include "data/ini_settings.h"
#include "comm/data_exchange.h"
#include "comm/ecu_protocol.h"
#include "comm/exchange_checks.h"
#include "comm/image_history.h"
#include "comm/serial_link.h"
#include "data/data_file.h"
#include "data/ecu_data_set.h"
#include "platform/text_file.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "platform/settings_folder.h"
#include "platform/termios_port.h"
#include "res/string_table.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ostream>
#include <system_error>
#include <vector>

namespace zlm {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProgram = "zlm-exchange";
// ZLM350's own files: the settings file and the definition files are named after it.
constexpr std::string_view kSettingsProgram = "ZLM350";

enum class Command { Identify, Read, Write, Verify, SetByte, SetWord, Diff };

// Inside runCommand: the images differ (exit status 1 for verify and diff,
// whose other failures exit with 2).
constexpr int kDiffers = 3;

struct CommandLine {
    Command command = Command::Identify;
    std::optional<int> portIndex; // --port
    std::string device; // --device
    std::string file; // read, write, verify, diff
    std::string otherFile; // diff
    bool readBack = false; // write --verify
    std::uint16_t address = 0; // set-byte, set-word
    std::uint16_t value = 0;
};

struct UsageError {
    std::string text;
};

std::optional<std::uint32_t> hexArgument(std::string_view text, std::uint32_t limit)
{
    // "0x5A" is what a script writer may well type; plain digits are the rule.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    const auto value = text::parseHex(text);
    if (!value || *value > limit)
        return std::nullopt;
    return value;
}

std::optional<int> portArgument(std::string_view text)
{
    for (int i = 0; i < 8; ++i)
        if (text::equalsNoCase(text, "PORT" + std::to_string(i + 1)))
            return i;
    return std::nullopt;
}

// The command line, or what is wrong with it; nothing for --help.
std::optional<CommandLine> parseArguments(std::span<const std::string> args, UsageError& error)
{
    CommandLine line;
    std::vector<std::string_view> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // After "--" a file name may start with "-".
        if (optionsEnded || arg == "--") {
            if (optionsEnded)
                words.push_back(arg);
            optionsEnded = true;
            continue;
        }
        std::string_view option = arg, value;
        bool hasValue = false;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                option = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                hasValue = true;
            }
        }
        if (option == "--help" || option == "-h") {
            return std::nullopt;
        }
        if (arg == "--verify") {
            line.readBack = true;
            continue;
        }
        if (option == "--port" || option == "--device") {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    error.text = std::string(option) + " needs a value";
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (line.portIndex || !line.device.empty()) {
                error.text = "give --port or --device once";
                return std::nullopt;
            }
            if (option == "--port") {
                line.portIndex = portArgument(value);
                if (!line.portIndex) {
                    error.text = "the port is PORT1 to PORT8, not \"" + std::string(value) + "\"";
                    return std::nullopt;
                }
            } else {
                if (value.empty()) {
                    error.text = "--device needs a path";
                    return std::nullopt;
                }
                line.device = value;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            error.text = "unknown option \"" + std::string(arg) + "\"";
            return std::nullopt;
        }
        words.push_back(arg);
    }

    if (words.empty()) {
        error.text = "no command given";
        return std::nullopt;
    }
    struct Known {
        std::string_view name;
        Command command;
        std::size_t operands;
    };
    static constexpr Known kCommands[] = {
        { "identify", Command::Identify, 0 },
        { "read", Command::Read, 1 },
        { "write", Command::Write, 1 },
        { "verify", Command::Verify, 1 },
        { "set-byte", Command::SetByte, 2 },
        { "set-word", Command::SetWord, 2 },
        { "diff", Command::Diff, 2 },
    };
    const Known* known = nullptr;
    for (const Known& k : kCommands)
        if (words[0] == k.name)
            known = &k;
    if (!known) {
        error.text = "unknown command \"" + std::string(words[0]) + "\"";
        return std::nullopt;
    }
    if (words.size() - 1 != known->operands) {
        error.text = std::string(known->name) + " takes " + std::to_string(known->operands)
            + (known->operands == 1 ? " argument" : " arguments");
        return std::nullopt;
    }
    line.command = known->command;
    if (line.readBack && line.command != Command::Write) {
        error.text = "--verify goes with write only";
        return std::nullopt;
    }
    if (known->operands == 1)
        line.file = words[1];
    if (line.command == Command::Diff) {
        line.file = words[1];
        line.otherFile = words[2];
    } else if (known->operands == 2) {
        const auto address = hexArgument(words[1], 0xFFFF);
        if (!address) {
            error.text
                = "the address is 0 to FFFF in hexadecimal, not \"" + std::string(words[1]) + "\"";
            return std::nullopt;
        }
        const std::uint32_t limit = known->command == Command::SetByte ? 0xFF : 0xFFFF;
        const auto value = hexArgument(words[2], limit);
        if (!value) {
            error.text = std::string("the value is 0 to ") + (limit == 0xFF ? "FF" : "FFFF")
                + " in hexadecimal, not \"" + std::string(words[2]) + "\"";
            return std::nullopt;
        }
        line.address = static_cast<std::uint16_t>(*address);
        line.value = static_cast<std::uint16_t>(*value);
    }
    return line;
}

// A message's text as printed: one line per line of the text.
void print(std::ostream& stream, std::string_view text)
{
    stream << text;
    if (text.empty() || text.back() != '\n')
        stream << '\n';
    stream.flush();
}

// The private folder of the expanded definition file, removed with its file
// when the run ends. A folder of its own keeps a running ZLM350's expanded
// copy (same name, same temporary folder) out of harm's way.
class TempFolder {
public:
    explicit TempFolder(const fs::path& parent)
    {
        const fs::path base = parent.empty() ? tempDirectory() : parent;
        std::string pattern = (base / "zlm-exchange.XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempFolder()
    {
        if (m_path.empty())
            return;
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Empty when it could not be made.
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// Deletes the expanded definition file at the end of the run.
class RemoveAtExit {
public:
    RemoveAtExit() = default;
    RemoveAtExit(const RemoveAtExit&) = delete;
    RemoveAtExit& operator=(const RemoveAtExit&) = delete;
    ~RemoveAtExit()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove(path, ec);
    }
    fs::path path;
};

// Stops an image transfer at its next record once the run is interrupted.
class InterruptWatch final : public WaitWindow {
public:
    explicit InterruptWatch(const std::atomic<bool>* flag)
        : m_flag(flag)
    { }
    void open(const std::string&) override { }
    bool progress(const std::string&) override { return !(m_flag && *m_flag); }
    void close() override { }

private:
    const std::atomic<bool>* m_flag = nullptr;
};

// An image as `write` sends it and `verify` compares it.
struct FileImage {
    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;
};

// A data file (it has a "Data" section): its edit data with the checksum byte
// brought up to date. Any other file: its OBJ image as the Data Exchange file
// loader makes it, the last byte replaced by the checksum byte.
std::optional<FileImage> loadFileImage(
    const std::string& path, const LineList& definition, std::ostream& err)
{
    errno = 0;
    const auto lines = readTextLines(path);
    if (!lines) {
        const int reason = errno;
        print(err, loadString(1516));
        // On a command line the user also needs to know which file and why.
        print(err, path + ": " + (reason != 0 ? std::strerror(reason) : "not a readable file"));
        return std::nullopt;
    }
    FileImage image;
    if (lines->findSection(kDataSection) >= 0) {
        EcuDataSet data(definition);
        const LoadResult load = data.load(path);
        if (!load.ok()) {
            print(err, load.message.text);
            return std::nullopt;
        }
        if (!data.hasRange()) {
            print(err, "Failed to read file data");
            return std::nullopt;
        }
        data.fixChecksum();
        const auto memory = data.image();
        image.start = data.lowest;
        image.bytes.assign(memory.begin() + data.lowest, memory.begin() + data.highest + 1);
        return image;
    }
    ObjImage obj = readObjFile(path);
    if (!obj.checksumOk)
        print(err, "Check Sum Error!");
    if (obj.result < 1) {
        print(err, "Failed to read file data");
        return std::nullopt;
    }
    image.start = obj.start;
    image.bytes = std::move(obj.bytes);
    image.bytes.resize(static_cast<std::size_t>(obj.result) + 1);
    image.bytes.back() = checksumByteFor(std::span(image.bytes).first(image.bytes.size() - 1));
    return image;
}

// The ECU image; the failure's message is printed.
std::optional<DecodedImage> readEcuImage(EcuProtocol& protocol, std::ostream& err)
{
    ReadEcuResult result = protocol.ReadEcu();
    if (result.ok())
        return std::move(*result.image);
    // A complete read that does not decode carries no message of its own.
    print(err, result.message ? result.message->text : std::string(ecu::kFailedToCorrespond));
    return std::nullopt;
}

std::string hexText(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

// What one run read at start: registry values, serial settings, definition lines.
struct Session {
    AppSettings app;
    SerialSettings serial;
    fs::path iniPath;
    LineList definition;
    DisplayFormats formats;
};

// The difference report after its verdict, each line indented as in Data Exchange's log.
void printReport(std::ostream& out, const ImageDiff& diff)
{
    for (const std::string& line : diff.lines)
        out << "    " << line << '\n';
    out.flush();
}

// diff A B: both files as write would send them, compared without the ECU.
int runDiff(const std::string& left, const std::string& right, const LineList& definition,
    const DisplayFormats& formats, std::ostream& out, std::ostream& err)
{
    const auto a = loadFileImage(left, definition, err);
    if (!a)
        return kExitFailure;
    const auto b = loadFileImage(right, definition, err);
    if (!b)
        return kExitFailure;
    const ImageDiff diff = diffImages(
        definition, formats, ImageRef { a->start, a->bytes }, ImageRef { b->start, b->bytes });
    print(out, diff.same ? "Same" : "Not same");
    printReport(out, diff);
    return diff.same ? kExitOk : kDiffers;
}

// write --verify: the image read back and compared with what was written.
template <typename Keep>
int readBackWritten(EcuProtocol& protocol, const Session& session, const FileImage& written,
    const Keep& keep, std::ostream& out, std::ostream& err)
{
    ProtocolImageTransfer transfer(protocol, session.definition, nullptr);
    const ReadBack result = readBack(transfer, session.definition, session.formats,
        ImageRef { written.start, written.bytes });
    if (result.read.ok())
        keep(result.read.image->start, result.read.image->bytes, HistoryDirection::Read);
    switch (result.outcome) {
    case ReadBack::Outcome::Same:
        print(out, "Read back and compare: Same");
        return kExitOk;
    case ReadBack::Outcome::Differs:
        print(out, "Read back and compare: Not same");
        printReport(out, result.diff);
        return kExitFailure;
    case ReadBack::Outcome::Unreadable:
        break;
    }
    print(err,
        result.read.message ? result.read.message->text : std::string(ecu::kFailedToCorrespond));
    print(err, std::string(kProgram) + ": the image was written, but could not be read back");
    return kExitFailure;
}

int runCommand(const CommandLine& line, Session& session, const ExchangeEnvironment& env,
    std::ostream& out, std::ostream& err)
{
    if (line.command == Command::Diff)
        return runDiff(line.file, line.otherFile, session.definition, session.formats, out, err);
    // Copies of the ECU images go to the history of the settings folder.
    std::optional<ImageHistory> history;
    if (!env.settingsDir.empty())
        history.emplace(ImageHistory::folderIn(env.settingsDir));
    const auto keep = [&](std::uint16_t start, std::span<const std::uint8_t> bytes,
                          HistoryDirection direction) {
        if (history)
            if (const auto failure = history->keep(start, bytes, direction))
                print(err, std::string(kProgram) + ": " + *failure);
    };

    // The file goes first, so a bad file costs no exchange.
    std::optional<FileImage> fileImage;
    if (line.command == Command::Write || line.command == Command::Verify) {
        fileImage = loadFileImage(line.file, session.definition, err);
        if (!fileImage)
            return kExitFailure;
    }

    SerialSettings& serial = session.serial;
    applyDefinitionSerialSettings(session.definition, serial);
    if (line.portIndex)
        serial.portIndex = *line.portIndex;
    else if (!line.device.empty() && serial.portIndex < 0)
        serial.portIndex = 0; // the index only passes the range check; the path is given

    SerialLink link(serial);
    link.setLogPath(session.app.commLogPath);
    std::string device = line.device;
    if (device.empty())
        device = portDevicePath(serial.portIndex, session.iniPath);
    link.setDeviceResolver([device](int) { return device; });
    if (!link.Open(true)) {
        print(err, loadString(ecu::kNoResponseId));
        if (serial.portIndex < 0)
            print(err,
                std::string(kProgram) + ": no port chosen (PORT in section RS232C of "
                    + std::string(kSettingsProgram) + ".ini, or --port / --device)");
        else
            print(err, std::string(kProgram) + ": " + link.lastError());
        return kExitFailure;
    }

    link.setTickPeriod(env.tickPeriod);
    TickPump pump(link, env.tickPeriod, true);
    EcuProtocol protocol(link, session.app, [&pump] { pump(); });
    InterruptWatch watch(env.interrupted);
    protocol.setWaitWindow(&watch);
    // Ctrl+C stops an exchange at its next byte.
    if (const std::atomic<bool>* flag = env.interrupted)
        protocol.setStopRequest([flag] { return flag->load(); });

    switch (line.command) {
    case Command::Identify: {
        if (session.app.ecuType[0] == '\0') {
            print(out, "ECU type check is off: nothing was sent.");
            return kExitOk;
        }
        const int id = protocol.EcuCheckCommand();
        if (id != 0) {
            print(err, loadString(id));
            return kExitFailure;
        }
        print(out, std::string("ECU type ") + session.app.ecuType[0] + session.app.ecuType[1]);
        return kExitOk;
    }
    case Command::Read: {
        const auto image = readEcuImage(protocol, err);
        if (!image)
            return kExitFailure;
        keep(image->start, image->bytes, HistoryDirection::Read);
        std::string text;
        for (const std::string& record : encodeImage(image->start, image->bytes))
            text += record + "\r\n";
        if (line.file == "-") {
            // A full disk or a closed pipe must not pass for a saved image.
            errno = 0;
            out << text;
            out.flush();
            if (!out) {
                const int error = errno;
                print(err,
                    std::string(kProgram) + ": cannot write to standard output"
                        + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
                return kExitFailure;
            }
            return kExitOk;
        }
        std::string reason;
        if (!writeFileReplacing(line.file, text, &reason)) {
            print(err,
                std::string(kProgram) + ": cannot write " + line.file
                    + (reason.empty() ? std::string() : ": " + reason));
            return kExitFailure;
        }
        return kExitOk;
    }
    case Command::Write: {
        const WriteEcuResult result
            = protocol.WriteEcu(fileImage->start, fileImage->bytes, session.definition);
        if (!result.ok) {
            print(
                err, result.message ? result.message->text : std::string(ecu::kFailedToCorrespond));
            return kExitFailure;
        }
        if (result.message)
            print(out, result.message->text);
        keep(fileImage->start, fileImage->bytes, HistoryDirection::Written);
        if (line.readBack)
            return readBackWritten(protocol, session, *fileImage, keep, out, err);
        return kExitOk;
    }
    case Command::Verify: {
        const auto image = readEcuImage(protocol, err);
        if (!image)
            return kExitFailure;
        keep(image->start, image->bytes, HistoryDirection::Read);
        // Start addresses are not compared, only the bytes.
        if (image->bytes == fileImage->bytes) {
            print(out, "Same");
            return kExitOk;
        }
        print(out, "Not same");
        // The file's values first: "file -> ECU".
        printReport(out,
            diffImages(session.definition, session.formats,
                ImageRef { fileImage->start, fileImage->bytes },
                ImageRef { image->start, image->bytes }));
        return kDiffers;
    }
    case Command::SetByte:
    case Command::SetWord: {
        const bool word = line.command == Command::SetWord;
        const Status status = word
            ? protocol.SCommandWord(line.address, line.value)
            : protocol.SCommand(line.address, static_cast<std::uint8_t>(line.value));
        if (!status) {
            print(err, status.error().text);
            return kExitFailure;
        }
        print(out, "( " + hexText(line.address, 4) + " ) = " + hexText(line.value, word ? 4 : 2));
        return kExitOk;
    }
    case Command::Diff:
        break; // compared above, without opening the line
    }
    return kExitFailure;
}

} // namespace

ExchangeEnvironment ExchangeEnvironment::fromProcess(std::string_view argv0)
{
    ExchangeEnvironment env;
    env.settingsDir = settingsFolder();
    env.programDir = zlm::programDir(argv0);
    env.screen = screenSizeFromEnvironment();
    return env;
}

std::string exchangeUsage()
{
    return "Usage: zlm-exchange [--port PORTn | --device PATH] COMMAND\n"
           "\n"
           "Exchanges data with the ECU on the serial line, with the settings of ZLM350:\n"
           "ZLM350.ini and registry.reg in the settings folder ($ZLM350_HOME, else\n"
           "$XDG_CONFIG_HOME/ZLM-350, else ~/.config/ZLM-350) and the ECU definition file\n"
           "(ZLM350.STZ; ZLM350_SCREEN=WIDTHxHEIGHT picks one by screen size).\n"
           "\n"
           "Commands:\n"
           "  identify             check that the ECU answers with the expected ECU type\n"
           "  read OUT.obj         read the ECU image into OUT.obj as S1 records\n"
           "                       (lines ending CR LF; \"-\" writes them to standard output)\n"
           "  write IN [--verify]  write a file to the ECU: a data file (one with a [Data]\n"
           "                       section) with its checksum byte brought up to date, or\n"
           "                       an OBJ file with its last byte made the checksum byte;\n"
           "                       --verify reads the image back and compares it\n"
           "  verify IN            read the ECU image and compare it with the file's image\n"
           "                       as write would send it: prints \"Same\" or \"Not same\"\n"
           "                       and what differs (file -> ECU)\n"
           "  diff A B             compare two data or OBJ files as write would send them,\n"
           "                       without the ECU: \"Same\" or \"Not same\" and what differs\n"
           "  set-byte ADDR VALUE  write one byte into the running ECU (hexadecimal,\n"
           "                       e.g. set-byte 8100 5A)\n"
           "  set-word ADDR VALUE  write one word, high byte first (e.g. set-word 8100 1234)\n"
           "\n"
           "Options:\n"
           "  --port PORTn         use PORT1..PORT8 (its device from section DEVICES of\n"
           "                       ZLM350.ini); default: PORT in section RS232C\n"
           "  --device PATH        open this serial device instead\n"
           "  --help               show this text\n"
           "  --                   end of the options (for a file name starting with \"-\")\n"
           "\n"
           "Results (\"Same\", \"Not same\", the ECU's answer to a write, the ECU type, the\n"
           "value written) go to standard output; failures (\"No response from ECU.\",\n"
           "\"ECU type is different.\", \"Failed to correspond with ECU.\" with the error\n"
           "address, file errors) go to standard error.\n"
           "Every image read from the ECU and every image written to it is kept in the\n"
           "folder \"history\" of the settings folder (the newest 500).\n"
           "Exit status: 0 done, 1 failed (also \"Not same\"), 2 bad usage; verify and\n"
           "diff: 0 same, 1 not same, 2 any failure.\n";
}

int runExchangeCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
    const ExchangeEnvironment& env)
{
    UsageError usage;
    const std::optional<CommandLine> line = parseArguments(args, usage);
    // verify and diff exit with 2 for any failure, 1 being "Not same".
    const auto exitStatus = [](const CommandLine& line, int code) {
        const bool compares = line.command == Command::Verify || line.command == Command::Diff;
        if (code == kDiffers)
            return kExitFailure;
        return compares && code != kExitOk ? kExitUsage : code;
    };
    if (!line) {
        if (usage.text.empty()) {
            out << exchangeUsage();
            out.flush();
            return kExitOk;
        }
        err << kProgram << ": " << usage.text << "\n\n" << exchangeUsage();
        err.flush();
        return kExitUsage;
    }

    FileFinder find = env.find;
    if (!find) {
        const fs::path programDir = env.programDir;
        find = [programDir](std::string_view name) { return searchPath(name, programDir); };
    }

    // The order of ZLM350's start-up: registry, settings file, definition file.
    Session session;
    const int width = env.screen ? env.screen->width : 1024;
    const int height = env.screen ? env.screen->height : 768;
    session.app = readAppSettings(
        FileRegistry(env.settingsDir / "registry.reg"), AppSettings::defaultsFor(width, height));

    const std::string iniName = std::string(kSettingsProgram) + ".ini";
    if (!find(iniName)) {
        print(err, iniName + " is not exist.");
        return exitStatus(*line, kExitFailure);
    }
    session.iniPath = findFileNoCase(env.settingsDir, iniName).value_or(env.settingsDir / iniName);
    const IniSettings ini = readIniSettings(IniFile(session.iniPath));
    session.serial = ini.serial;
    session.formats = ini.formats;

    const TempFolder temp(env.tempDirectory);
    DefinitionSource source;
    source.programName = std::string(kSettingsProgram);
    source.screenClass = env.screen ? screenClass(env.screen->width, env.screen->height) : 0;
    source.find = find;
    source.programDir = env.programDir;
    source.tempDirectory = temp.path().empty() ? env.tempDirectory : temp.path();
    RemoveAtExit expanded;
    DefinitionLoad definition = loadDefinitionFile(source);
    expanded.path = definition.tempPath;
    if (!definition.ok) {
        for (const Message& message : definition.messages)
            print(err, message.text);
        return exitStatus(*line, kExitFailure);
    }
    session.definition = std::move(definition.lines);

    return exitStatus(*line, runCommand(*line, session, env, out, err));
}

} // namespace zlm
