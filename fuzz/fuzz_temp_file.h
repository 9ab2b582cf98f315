#pragma once
// A private folder for the fuzz targets whose readers take a file name:
// $ZLM_FUZZ_TMP when set (run_fuzzers.sh makes one and removes it), else one
// made once per process and removed at exit where libFuzzer lets it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zlm::fuzz {

inline const std::filesystem::path& tempFolder()
{
    static const std::filesystem::path folder = []() -> std::filesystem::path {
        if (const char* given = std::getenv("ZLM_FUZZ_TMP"); given && *given)
            return given;
        // In memory where possible: the writers flush every file to disk.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
        std::string pattern = (base / "zlm-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(tempFolder(), ec);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

// `bytes` written to the file `name` of the private folder; its path.
inline std::filesystem::path writeTemp(const char* name, std::string_view bytes)
{
    const std::filesystem::path path = tempFolder() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
        static_cast<std::streamsize>(bytes.size()));
    return path;
}

} // namespace zlm::fuzz
