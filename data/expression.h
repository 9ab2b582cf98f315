#pragma once
// The small arithmetic language of the definition file's conversion
// expressions ("x*0.5", "(x-20)*0.5", "x/4+10"). Evaluated left to right by
// recursive descent in single precision: every intermediate result is rounded
// to float when it is stored. The lower-case letter "x" is the input value.
#include <string_view>

namespace zlm {

// Evaluation and conversion codes, shared with the raw/physical conversions.
enum class EvalCode {
    Ok = 0,
    AboveByte = 1, // result above 255 (byte conversion only)
    BelowZero = 2, // result below 0 (byte conversion only)
    DivisionByZero = 3,
    EmptyOperand = 4, // an operand is due but none is written
    MissingParen = 5, // "(" without its ")"
};

struct Evaluation {
    EvalCode code = EvalCode::Ok;
    // On failure: the value accumulated so far; callers decide by the code.
    float value = 0.0f;
    bool ok() const { return code == EvalCode::Ok; }
};

// Grammar:
//   expression := term { ("+" | "-") term }      any other character ends it
//   term       := operand { ("*" | "/") operand }
//   operand    := "x" | "(" expression ")" | "-" operand | number
// A number is the text up to the next ( ) * + , - / or the end, read as a
// decimal real with leading blanks skipped; reading stops at the first
// character that cannot continue it ("2.5x" is 2.5, "abc" is 0). Blanks are
// not separators: in "x * 2" the blank ends the expression after x.
Evaluation evaluate(std::string_view expression, float x);

// The leading decimal real of `text` the way "%f" reads it: blanks skipped,
// an optional sign, digits with an optional point and exponent. Nothing
// readable gives `fallback`.
float readReal(std::string_view text, float fallback = 0.0f);

} // namespace zlm
