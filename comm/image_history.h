#pragma once
// The history of ECU images: every image read completely from the ECU and
// every image written to it successfully is kept as an OBJ file in the folder
// "history" of the settings folder, so the ECU's previous calibration is
// always on the disk. Names carry the local time and the direction
// ("2026-12-08_143005_read.obj", "2026-12-08_143005_written.obj"; a second
// image in the same second gets "-2", "-3", ...; a name already taken, also by
// another process a moment ago, is never written over). The folder keeps the
// newest files and prunes the oldest; files of other names are never touched.
//
// Keeping a copy costs no time on the line (it runs after the transfer) and
// its failure never fails the exchange: the caller logs the one line it gets.
// Shared by Data Exchange and zlm-exchange.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace zlm {

enum class HistoryDirection { Read, Written };

class ImageHistory {
public:
    static constexpr std::size_t kKeptFiles = 500;
    // The local time now; tests hand in their own.
    using Clock = std::function<std::tm()>;

    // The folder "history" of `settingsFolder`.
    static std::filesystem::path folderIn(const std::filesystem::path& settingsFolder);

    explicit ImageHistory(
        std::filesystem::path folder, std::size_t keptFiles = kKeptFiles, Clock now = {});

    // Writes the image as S1 records and the end record, lines ending CR LF
    // (the text `zlm-exchange read` writes), through a temporary file that is
    // renamed into place under a name not yet taken, then prunes the folder to the newest files. Nothing
    // on success; on failure the one line to log, naming the file and why.
    std::optional<std::string> keep(
        std::uint16_t start, std::span<const std::uint8_t> bytes, HistoryDirection direction);

    const std::filesystem::path& folder() const { return m_folder; }
    // The path of the last copy kept (empty before the first).
    const std::filesystem::path& lastKept() const { return m_lastKept; }

private:
    void prune();

    std::filesystem::path m_folder;
    std::size_t m_keptFiles = kKeptFiles;
    Clock m_now;
    std::filesystem::path m_lastKept;
};

} // namespace zlm
