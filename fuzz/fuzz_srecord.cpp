// One S1 line as the data file, OBJ and serial readers see it: decoding must
// never read past the line, and what decodes re-encodes to the same record.
#include "data/srecord.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zlm::srec;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    S1Record record;
    if (decodeS1(line, record) != DecodeError::None)
        return 0;
    if (record.address + record.data.size() > 0x10000)
        std::abort();

    const std::string again = encodeS1(record.address, record.data);
    S1Record back;
    if (decodeS1(again, back) != DecodeError::None || back.data != record.data
        || back.address != record.address || !back.checksumOk || !back.exactLength)
        std::abort();

    // A well-formed record re-encodes to its own text (in upper case).
    if (record.checksumOk && record.exactLength && record.count >= 3) {
        std::string upper(line);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper != again)
            std::abort();
    }

    // The bytes of the line as a range: every record decodes back.
    const auto lines = encodeRange(record.address, record.data,
        static_cast<std::uint16_t>(record.address + record.data.size() - 1));
    std::size_t offset = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        S1Record part;
        if (decodeS1(lines[i], part) != DecodeError::None || !part.checksumOk
            || part.address != record.address + offset)
            std::abort();
        for (const auto b : part.data)
            if (record.data.at(offset++) != b)
                std::abort();
    }
    if (offset != record.data.size() || lines.back() != kEndRecord)
        std::abort();
    return 0;
}
