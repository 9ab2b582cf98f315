#include "comm/image_history.h"

#include "comm/ecu_protocol.h"
#include "platform/text_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

namespace zlm {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kStampLength = 17; // "2026-12-08_143005"
constexpr std::string_view kExtension = ".obj";
// Names tried after the first one is found taken.
constexpr int kNameAttempts = 100;

// A file this history wrote: its time stamp and its number within that second.
struct Entry {
    std::string stamp;
    int number = 1;
    fs::path path;
};

bool digits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// "2026-12-08_143005_read.obj", "..._written-2.obj"; nothing for any other name.
std::optional<Entry> parseName(const fs::path& path)
{
    const std::string name = path.filename().string();
    std::string_view rest = name;
    if (rest.size() <= kStampLength + kExtension.size() || !rest.ends_with(kExtension))
        return std::nullopt;
    const std::string_view stamp = rest.substr(0, kStampLength);
    if (!digits(stamp.substr(0, 4)) || stamp[4] != '-' || !digits(stamp.substr(5, 2))
        || stamp[7] != '-' || !digits(stamp.substr(8, 2)) || stamp[10] != '_'
        || !digits(stamp.substr(11, 6)))
        return std::nullopt;
    rest = rest.substr(kStampLength, rest.size() - kStampLength - kExtension.size());
    Entry entry { std::string(stamp), 1, path };
    for (std::string_view direction : { "_read", "_written" }) {
        if (!rest.starts_with(direction))
            continue;
        const std::string_view number = rest.substr(direction.size());
        if (number.empty())
            return entry;
        if (number.size() < 2 || number.size() > 7 || number[0] != '-' || !digits(number.substr(1)))
            return std::nullopt;
        entry.number = std::stoi(std::string(number.substr(1)));
        return entry;
    }
    return std::nullopt;
}

// Oldest first.
std::vector<Entry> entries(const fs::path& folder)
{
    std::vector<Entry> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        if (auto entry = parseName(it->path()))
            found.push_back(std::move(*entry));
    }
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.number < b.number;
    });
    return found;
}

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return local;
}

} // namespace

fs::path ImageHistory::folderIn(const fs::path& settingsFolder)
{
    return settingsFolder / "history";
}

ImageHistory::ImageHistory(fs::path folder, std::size_t keptFiles, Clock now)
    : m_folder(std::move(folder))
    , m_keptFiles(std::max<std::size_t>(1, keptFiles))
    , m_now(now ? std::move(now) : Clock(localNow))
{ }

std::optional<std::string> ImageHistory::keep(
    std::uint16_t start, std::span<const std::uint8_t> bytes, HistoryDirection direction)
{
    const std::string failure = "Not kept in the history: ";
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (ec)
        return failure + m_folder.string() + ": " + ec.message();

    const std::vector<std::string> records = encodeImage(start, bytes);
    if (records.empty())
        return failure + "the image runs past address FFFF";
    std::string text;
    for (const std::string& record : records)
        text += record + "\r\n";

    const std::tm now = m_now();
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S", &now);
    // A second image within the same second gets the next number, whichever way it went.
    int number = 0;
    for (const Entry& entry : entries(m_folder))
        if (entry.stamp == stamp)
            number = std::max(number, entry.number);
    const std::string base
        = std::string(stamp) + (direction == HistoryDirection::Read ? "_read" : "_written");

    // A name taken meanwhile (another exchange of the same second, by this
    // program or by zlm-exchange) is never written over: the next number is tried.
    fs::path path;
    for (int attempt = 0;; ++attempt) {
        const int n = number + 1 + attempt;
        path = m_folder
            / (base + (n > 1 ? "-" + std::to_string(n) : std::string()) + std::string(kExtension));
        int error = 0;
        if (writeNewFile(path, text, &error))
            break;
        if (error != EEXIST || attempt >= kNameAttempts)
            return failure + path.string() + ": " + std::strerror(error);
    }
    m_lastKept = path;
    prune();
    return std::nullopt;
}

void ImageHistory::prune()
{
    std::vector<Entry> found = entries(m_folder);
    if (found.size() <= m_keptFiles)
        return;
    const std::size_t surplus = found.size() - m_keptFiles;
    std::size_t removed = 0;
    for (const Entry& entry : found) {
        if (removed == surplus)
            break;
        // The copy just kept is never pruned, even under a clock that went back.
        if (entry.path == m_lastKept)
            continue;
        std::error_code ec;
        fs::remove(entry.path, ec);
        ++removed;
    }
}

} // namespace zlm
