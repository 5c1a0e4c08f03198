#include "aprs/message.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;

namespace {

TEST(Message, AddresseeTextAndNumberFollowTheFieldRules) {
    const std::pair<std::string, std::optional<Message>> cases[] = {
        {":BLN1     :Net tonight", Message{"BLN1", "Net tonight", ""}},
        {":BLN1WX   :Storm{12345", Message{"BLN1WX", "Storm", "12345"}},
        {":N0CALL-15:a{b{1", Message{"N0CALL-15", "a{b", "1"}},
        {":BLN2     :Text{123456", Message{"BLN2", "Text{123456", ""}}, // 6: not a number
        {":BLN2     :At {5 pm}", Message{"BLN2", "At {5 pm}", ""}},
        {":BLN3     :Hi\r\n", Message{"BLN3", "Hi", ""}},
        {":BLN3     :Hi\n{7\r", Message{"BLN3", "Hi", "7"}},
        {":BLN4     :  padded  ", Message{"BLN4", "  padded  ", ""}},
        {":N0CALL   :Hi{MM}AA", Message{"N0CALL", "Hi", "MM"}}, // reply-ack
        {":N0CALL   :acknowledged", Message{"N0CALL", "acknowledged", ""}},
        {":N0CALL   :ack now", Message{"N0CALL", "ack now", ""}},
        {":N0CALL   :", Message{"N0CALL", "", ""}},
        {":N0CALL   :ack12345", std::nullopt},
        {":N0CALL   :rej7\r", std::nullopt},
        {":N0CALL   :ackAB}CD", std::nullopt},
        {":BLN1    :short field", std::nullopt},
        {":         :no addressee", std::nullopt},
        {"!5000.00N/00800.00E-", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [info, expected] : cases) {
        EXPECT_EQ(parseMessage(info), expected) << info;
    }
}

TEST(Message, FormattingPadsOrCutsTheAddresseeAndParsesBack) {
    EXPECT_EQ(formatMessageInfo("BLN1", "Hello"), ":BLN1     :Hello");
    EXPECT_EQ(formatMessageInfo("TOOLONGNAME", "x"), ":TOOLONGNA:x");
    EXPECT_EQ(parseMessage(formatMessageInfo("BLNA", "Field day")),
              (Message{"BLNA", "Field day", ""}));
}

} // namespace
