#include "base/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quillet {
namespace {

Result<std::unique_ptr<int>> parse(const std::string& text) {
    if (text.empty()) {
        return fail("nothing to read");
    }
    return std::make_unique<int>(std::stoi(text));
}

TEST(Result, CarriesEitherTheValueOrTheError) {
    auto good = parse("42");
    ASSERT_TRUE(good.ok());
    EXPECT_TRUE(good.error().empty());
    EXPECT_EQ(*std::move(good).value(), 42); // move-only values come out whole

    const auto bad = parse("");
    EXPECT_FALSE(bad);
    EXPECT_EQ(bad.error(), "nothing to read");

    const Status done{};
    const Status failed = fail("disk full");
    EXPECT_TRUE(done.ok());
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "disk full");
}

} // namespace
} // namespace quillet
