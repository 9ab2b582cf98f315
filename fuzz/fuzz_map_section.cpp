// The map section of a definition file. The input's first byte says how many
// of the following bytes (up to 16) are repeated through the image (free maps
// take their point counts from it); the rest is the definition's text.
#include "data/map_parser.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto image = std::make_unique<zlm::EcuImage>();
    std::size_t pattern = 0;
    if (size > 0) {
        pattern = std::min<std::size_t>(data[0] % 17, size - 1);
        ++data;
        --size;
    }
    if (pattern == 0) {
        image->fill(0x03);
    } else {
        for (std::size_t i = 0; i < image->size(); ++i)
            (*image)[i] = data[i % pattern];
    }
    data += pattern;
    size -= pattern;

    const zlm::LineList definition
        = zlm::LineList::fromText(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto parsed = zlm::parseMaps(definition, *image);
    (void)parsed;
    return 0;
}
