#include "data/expression.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zlm {
namespace {

void expectValue(std::string_view text, float x, float expected)
{
    const Evaluation e = evaluate(text, x);
    EXPECT_EQ(e.code, EvalCode::Ok) << text;
    EXPECT_FLOAT_EQ(e.value, expected) << text;
}

TEST(Expression, ArithmeticAndPrecedence)
{
    expectValue("x*0.5", 200.0f, 100.0f);
    expectValue("x/2", 300.0f, 150.0f);
    expectValue("x/4+10", 8.0f, 12.0f); // divides first
    expectValue("10+x/4", 8.0f, 12.0f);
    expectValue("(x-20)*0.5", 40.0f, 10.0f); // parentheses first
    expectValue("x-20*0.5", 40.0f, 30.0f);
    expectValue("100-x-10", 30.0f, 60.0f); // left to right
    expectValue("x/2/5", 100.0f, 10.0f);
    expectValue("((x))", 7.0f, 7.0f);
    expectValue("2*(x+(3-1))*3", 1.0f, 18.0f);
    expectValue("x", 0.0f, 0.0f);
    expectValue("1e2*x", 2.0f, 200.0f);
    expectValue(".5*x", 4.0f, 2.0f);
}

TEST(Expression, EveryIntermediateIsSinglePrecision)
{
    // 16777216 + 1 is not representable in float: each step rounds.
    const Evaluation e = evaluate("x+1-x", 16777216.0f);
    EXPECT_EQ(e.code, EvalCode::Ok);
    EXPECT_EQ(e.value, 0.0f);
    // 0.1 is read as a float before it is used.
    EXPECT_EQ(evaluate("0.1*x", 3.0f).value, 0.1f * 3.0f);
}

TEST(Expression, NumberReadingStopsAtFirstNonNumberCharacter)
{
    expectValue("2.5x", 0.0f, 2.5f); // letter ignored
    expectValue("x 2", 9.0f, 9.0f); // blank ends the expression after x
    expectValue("x * 2", 9.0f, 9.0f);
    expectValue("  3*x", 2.0f, 6.0f); // leading blanks skipped by the number reader
    expectValue("abc", 5.0f, 0.0f); // no digits: 0
    expectValue("X*2", 5.0f, 0.0f); // upper-case X is not the variable
    expectValue("x,5", 4.0f, 4.0f); // "," ends the expression
    expectValue("2+3)", 0.0f, 5.0f); // rest after the expression ignored
    expectValue("0x10", 0.0f, 0.0f); // decimal only
    expectValue("inf", 0.0f, 0.0f);
    expectValue("nan*x", 3.0f, 0.0f);
}

TEST(Expression, DivisionByZeroKeepsAccumulatedValue)
{
    const Evaluation e = evaluate("x/(x-10)", 10.0f);
    EXPECT_EQ(e.code, EvalCode::DivisionByZero);
    EXPECT_FLOAT_EQ(e.value, 10.0f);
    EXPECT_EQ(evaluate("x/0", 4.0f).code, EvalCode::DivisionByZero);
    EXPECT_EQ(evaluate("5/abc", 4.0f).code, EvalCode::DivisionByZero);
    EXPECT_EQ(evaluate("0/x", 4.0f).code, EvalCode::Ok);
}

TEST(Expression, EmptyOperands)
{
    EXPECT_EQ(evaluate("x*()", 1.0f).code, EvalCode::EmptyOperand);
    const Evaluation tail = evaluate("x*2+", 3.0f);
    EXPECT_EQ(tail.code, EvalCode::EmptyOperand);
    EXPECT_FLOAT_EQ(tail.value, 6.0f);
    EXPECT_EQ(evaluate("", 1.0f).code, EvalCode::EmptyOperand);
    EXPECT_EQ(evaluate("x*", 1.0f).code, EvalCode::EmptyOperand);
    EXPECT_EQ(evaluate("x/", 1.0f).code, EvalCode::EmptyOperand);
    EXPECT_EQ(evaluate("x+*2", 1.0f).code, EvalCode::EmptyOperand);
    EXPECT_EQ(evaluate("+5", 1.0f).code, EvalCode::EmptyOperand);
    EXPECT_EQ(evaluate("-", 1.0f).code, EvalCode::EmptyOperand);
}

TEST(Expression, MissingClosingParenthesis)
{
    const Evaluation e = evaluate("(x+1", 2.0f);
    EXPECT_EQ(e.code, EvalCode::MissingParen);
    EXPECT_FLOAT_EQ(e.value, 3.0f);
    EXPECT_EQ(evaluate("(x 1)", 2.0f).code, EvalCode::MissingParen);
    EXPECT_EQ(evaluate("x*(2,3)", 2.0f).code, EvalCode::MissingParen);
    EXPECT_EQ(evaluate("((x)", 2.0f).code, EvalCode::MissingParen);
}

TEST(Expression, UnaryMinus)
{
    expectValue("x*-1", 5.0f, -5.0f);
    expectValue("-x+10", 4.0f, 6.0f);
    expectValue("-(x-1)*2", 4.0f, -6.0f);
    expectValue("--x", 4.0f, 4.0f);
    expectValue("x--2", 4.0f, 6.0f);
    expectValue("10/-x", 5.0f, -2.0f);
}

TEST(Expression, DeepNestingIsRefusedNotOverflowed)
{
    const std::string deep(100000, '(');
    EXPECT_EQ(evaluate(deep + "x", 1.0f).code, EvalCode::MissingParen);
    const std::string minus(100000, '-');
    EXPECT_EQ(evaluate(minus + "x", 1.0f).code, EvalCode::Ok);
    std::string fine(50, '(');
    fine += "x";
    fine += std::string(50, ')');
    EXPECT_EQ(evaluate(fine, 1.0f).code, EvalCode::Ok);
}

TEST(ReadReal, ReadsLikeScanfFloat)
{
    EXPECT_FLOAT_EQ(readReal("  12.5abc"), 12.5f);
    EXPECT_FLOAT_EQ(readReal("-3"), -3.0f);
    EXPECT_FLOAT_EQ(readReal("+4.25"), 4.25f);
    EXPECT_FLOAT_EQ(readReal("1e3"), 1000.0f);
    EXPECT_EQ(readReal("", 7.0f), 7.0f);
    EXPECT_EQ(readReal("-", 7.0f), 7.0f);
    EXPECT_EQ(readReal(".", 7.0f), 7.0f);
    EXPECT_TRUE(std::isinf(readReal("1e999")));
    EXPECT_EQ(readReal("1e-999"), 0.0f);
    EXPECT_TRUE(std::isinf(readReal("1e39")));
}

} // namespace
} // namespace zlm
