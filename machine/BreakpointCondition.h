#pragma once
// The condition of a breakpoint: a watch expression compared with a value ("A=$10",
// "COUNT,w>1000", "X<>0", "TEMP,s<-5"). Operators: = == <> != < > <= >=. The expression's
// number is unsigned unless it carries ,s.

#include "machine/WatchExpression.h"

#include <QString>
#include <optional>

struct BreakpointCondition {
    enum class Compare { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

    WatchExpression Left;
    Compare Operator = Compare::Equal;
    int64_t Right = 0;

    bool holds(const Machine& M) const;
};

// Parses Text; empty with a short German reason in *Error when it is bad.
std::optional<BreakpointCondition> parseCondition(const QString& Text, const SymbolTable& Symbols,
                                                  QString* Error);
