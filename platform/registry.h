#pragma once
// Registry keys and values. The program reads its settings from the key
// "SOFTWARE\ZLM-350" and the installer writes keys of its own. On this
// platform the keys live in one text file, "registry.reg" in the settings
// folder, with one "[KEY\PATH]" header per key and one value per line:
//     "Name"=sz:"text"            a text value (\\ \" \n \r \t escaped)
//     "Name"=dword:0000001e       a 32-bit number, hexadecimal
// Key and value names are compared without regard to case. Other lines
// (comments starting with ";", blank lines, values of other types) are kept
// but cannot be read.
#include "base/app_settings.h"
#include "base/result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zlm {

// One open key.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // The size of the value's data as the registry reports it: a text counts
    // its terminating zero (an empty text has size 1), a 32-bit number 4.
    // Nothing when there is no readable value of that name.
    virtual std::optional<std::size_t> valueSize(std::string_view name) const = 0;
    // A text value whose size (terminating zero included) is at most `maxBytes`;
    // nothing when absent, of another type or too long for the buffer.
    virtual std::optional<std::string> readString(std::string_view name,
        std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) const = 0;
    // A 32-bit number value; nothing when absent or of another type.
    virtual std::optional<std::uint32_t> readDword(std::string_view name) const = 0;

    virtual Status writeString(std::string_view name, std::string_view value) = 0;
    virtual Status writeDword(std::string_view name, std::uint32_t value) = 0;
    // Success also when there was no such value.
    virtual Status deleteValue(std::string_view name) = 0;
};

// The keys under the local-machine root. Paths use "\" between names
// ("SOFTWARE\ZLM-350").
class Registry {
public:
    virtual ~Registry() = default;

    // The key, or nullptr when it cannot be opened (it does not exist, or the
    // registry cannot be read). A key exists when it or a key below it does.
    virtual std::unique_ptr<RegistryKey> openKey(std::string_view path) const = 0;
    // The key, created when missing; nullptr when it cannot be created.
    virtual std::unique_ptr<RegistryKey> createKey(std::string_view path) = 0;
    // Removes the key with its values and every key below it; success also
    // when there was none.
    virtual Status deleteKey(std::string_view path) = 0;
    // Why the registry cannot be read at all (told at start-up), or nothing.
    virtual std::optional<Message> problem() const { return std::nullopt; }
};

// The registry kept in a text file (format above). Every call reads the file
// afresh and every change rewrites it; a missing file holds no key.
class FileRegistry final : public Registry {
public:
    explicit FileRegistry(std::filesystem::path file)
        : m_file(std::move(file))
    { }
    // "registry.reg" in the settings folder.
    static std::filesystem::path defaultFile();
    const std::filesystem::path& file() const { return m_file; }

    std::unique_ptr<RegistryKey> openKey(std::string_view path) const override;
    std::unique_ptr<RegistryKey> createKey(std::string_view path) override;
    Status deleteKey(std::string_view path) override;
    // The file is no regular file or is larger than 1 MiB.
    std::optional<Message> problem() const override;

private:
    std::filesystem::path m_file;
};

// Reads the values of "SOFTWARE\ZLM-350" over `defaults` (which hold the
// defaults for the screen): a key that cannot be opened keeps them all, and
// so does each value that cannot be read. When "CommoLog" was read and
// "CommoLogDelete" is 1, the log file is deleted so each run starts a new log.
AppSettings readAppSettings(const Registry& registry, AppSettings defaults);

} // namespace zlm
