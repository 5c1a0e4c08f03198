#pragma once

// The value of a Result that a GoogleTest case expects to hold one. A failed call is a test
// failure at the caller's line with the call's reason, and the test goes on with an empty
// value instead of reading one that is not there.

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
