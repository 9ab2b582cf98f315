// An OBJ file chosen by the user: any text gives -2, -1 or a buffer that
// holds exactly the reported range.
#include "data/data_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const zlm::ObjImage obj
        = zlm::parseObjText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (obj.result < -2)
        std::abort();
    if (obj.result >= 0) {
        if (obj.bytes.size() != static_cast<std::size_t>(obj.result) + 1
            || obj.start + obj.result > 0xFFFF || obj.result == 0)
            std::abort();
    }
    return 0;
}
