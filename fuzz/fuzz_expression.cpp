// Conversion expressions come from definition files: any text must evaluate
// to a code and a value without a crash, a hang or undefined behaviour.
#include "data/expression.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first four bytes, when there are more, choose the input value.
    float x = 100.0f;
    if (size > sizeof x) {
        std::memcpy(&x, data, sizeof x);
        data += sizeof x;
        size -= sizeof x;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zlm::Evaluation e = zlm::evaluate(text, x);
    switch (e.code) {
    case zlm::EvalCode::Ok:
    case zlm::EvalCode::DivisionByZero:
    case zlm::EvalCode::EmptyOperand:
    case zlm::EvalCode::MissingParen:
        break;
    default:
        std::abort(); // the range codes belong to the byte conversion only
    }
    (void)zlm::readReal(text);
    return 0;
}
