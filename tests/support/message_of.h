#pragma once

#include "payroll/money.h"

// Runs f and gives the message of the Error it threw, or an empty string when it returned.
template <typename Error = PayrollError, typename F> QString messageOf(F f) {
    try {
        f();
    } catch (const Error &e) {
        return e.errorDescription();
    }
    return QString();
}
