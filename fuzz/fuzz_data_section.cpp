// A data file's text: reading the "Data" section must stay inside the image,
// and a section that was read writes back into one that reads the same.
#include "data/data_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {
using Image = std::array<std::uint8_t, 65536>;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zlm;
    static const auto first = std::make_unique<Image>();
    static const auto second = std::make_unique<Image>();
    first->fill(0);
    second->fill(0);

    LineList lines
        = LineList::fromText(std::string_view(reinterpret_cast<const char*>(data), size));
    std::uint16_t lowest = 0, highest = 0;
    const Status read = readDataSection(lines, *first, lowest, highest);

    const auto titles = readTitleSection(lines);
    LineList titled = lines;
    if (writeTitleSection(titled, titles) && readTitleSection(titled).size() != titles.size())
        std::abort();

    if (!read.ok() || lowest > highest)
        return 0;
    if (!writeDataSection(lines, *first, lowest, highest))
        std::abort();
    std::uint16_t lowestAgain = 0, highestAgain = 0;
    if (!readDataSection(lines, *second, lowestAgain, highestAgain).ok())
        std::abort();
    if (lowestAgain != lowest || highestAgain != highest
        || !std::equal(
            first->begin() + lowest, first->begin() + highest + 1, second->begin() + lowest))
        std::abort();
    return 0;
}
