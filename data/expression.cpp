#include "data/expression.h"

#include <charconv>
#include <cstddef>
#include <limits>

namespace zlm {
namespace {

// Nesting deeper than this is refused as a malformed expression rather than
// risking the stack on hostile definition files.
constexpr int kMaxDepth = 200;

bool isNumberEnd(char c)
{
    switch (c) {
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
        return true;
    default:
        return false;
    }
}

class Parser {
public:
    Parser(std::string_view text, float x)
        : m_text(text)
        , m_x(x)
    { }

    EvalCode expression(float& value)
    {
        if (++m_depth > kMaxDepth)
            return EvalCode::MissingParen;
        EvalCode code = term(value);
        while (code == EvalCode::Ok && (peek() == '+' || peek() == '-')) {
            const bool add = peek() == '+';
            ++m_pos;
            float operand = 0.0f;
            code = term(operand);
            if (code != EvalCode::Ok)
                break;
            value = add ? value + operand : value - operand;
        }
        --m_depth;
        return code;
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

    EvalCode term(float& value)
    {
        EvalCode code = operand(value);
        while (code == EvalCode::Ok && (peek() == '*' || peek() == '/')) {
            const bool multiply = peek() == '*';
            ++m_pos;
            float factor = 0.0f;
            code = operand(factor);
            if (code != EvalCode::Ok)
                break;
            if (multiply) {
                value = value * factor;
            } else if (factor == 0.0f) {
                code = EvalCode::DivisionByZero;
            } else {
                value = value / factor;
            }
        }
        return code;
    }

    EvalCode operand(float& value)
    {
        // Unary minus: any run of "-" negates the operand that follows.
        bool negate = false;
        while (peek() == '-') {
            negate = !negate;
            ++m_pos;
        }
        const EvalCode code = plainOperand(value);
        if (negate)
            value = -value;
        return code;
    }

    EvalCode plainOperand(float& value)
    {
        if (peek() == 'x') {
            ++m_pos;
            value = m_x;
            return EvalCode::Ok;
        }
        if (peek() == '(') {
            ++m_pos;
            const EvalCode code = expression(value);
            if (code != EvalCode::Ok)
                return code;
            if (peek() != ')')
                return EvalCode::MissingParen;
            ++m_pos;
            return EvalCode::Ok;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isNumberEnd(m_text[m_pos]))
            ++m_pos;
        if (m_pos == start)
            return EvalCode::EmptyOperand;
        value = readReal(m_text.substr(start, m_pos - start));
        return EvalCode::Ok;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    float m_x = 0.0f;
    int m_depth = 0;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

Evaluation evaluate(std::string_view expression, float x)
{
    Evaluation result;
    Parser parser(expression, x);
    result.code = parser.expression(result.value);
    return result;
}

float readReal(std::string_view text, float fallback)
{
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Decimal only: no "inf", "nan" or hexadecimal forms.
    const bool startsNumber = pos < text.size()
        && (isDigit(text[pos])
            || (text[pos] == '.' && pos + 1 < text.size() && isDigit(text[pos + 1])));
    if (!startsNumber)
        return fallback;

    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: what a C reader would saturate to.
        bool tinyExponent = false;
        for (const char* p = first; p + 1 < end; ++p)
            if ((*p == 'e' || *p == 'E') && p[1] == '-')
                tinyExponent = true;
        value = tinyExponent ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        return fallback;
    }
    if (value > std::numeric_limits<float>::max())
        value = std::numeric_limits<double>::infinity();
    const float result = static_cast<float>(value);
    return negative ? -result : result;
}

} // namespace zlm
