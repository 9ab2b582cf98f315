// The expansion of a compressed (SZDD) definition or installation file, and the
// plain copy of anything else. A damaged file fails; it never crashes.
#include "fuzz/fuzz_temp_file.h"
#include "platform/expanded_copy.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto source = zlm::fuzz::writeTemp(
        "ZLM350.ST_", std::string_view(reinterpret_cast<const char*>(data), size));
    const auto destination = zlm::fuzz::tempFolder() / "ZLM350.STZ";
    (void)zlm::expandedCopy(source, destination, false);
    std::error_code ec;
    std::filesystem::remove(destination, ec);
    return 0;
}
