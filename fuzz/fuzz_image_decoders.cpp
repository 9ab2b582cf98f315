// The image stream received from the ECU, whole: the strict decoder of a
// complete read and the lenient one of a failed read. Whatever they accept
// lies inside the 64 KiB image.
#include "comm/ecu_protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view received(reinterpret_cast<const char*>(data), size);
    for (const auto& image : { zlm::decodeStrict(received), zlm::decodeLenient(received) }) {
        if (image && image->end() > 0x10000u)
            std::abort();
    }
    return 0;
}
