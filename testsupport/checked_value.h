#pragma once

// The value of a Result expected to hold one. A failed call fails the test at the caller's
// line with its reason, and the test goes on with an empty value.

#include "base/result.h"

#include <gtest/gtest.h>

#include <source_location>

namespace quillet::testing {

template <typename T>
T valueOf(Result<T> result, std::source_location where = std::source_location::current()) {
    if (!result) {
        ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << result.error();
        return T{};
    }
    return std::move(result).value();
}

} // namespace quillet::testing
