#include "ui/commands.h"

#include <gtest/gtest.h>

namespace velomira {
namespace {

TEST(Commands, NumbersRoundTripAndGapsNameNothing) {
    for (int number = 35000; number <= 36300; ++number) {
        const auto command = commandFromNumber(number);
        if (command) {
            EXPECT_EQ(commandNumber(*command), number);
        }
    }
    EXPECT_EQ(commandFromNumber(35110), Command::GenerateVideo);
    EXPECT_EQ(commandFromNumber(36203), Command::TrayExit);
    EXPECT_FALSE(commandFromNumber(35114));
    EXPECT_FALSE(commandFromNumber(36201));
    EXPECT_EQ(commandLabel(Command::ContextRemoveAll), "移除全部\tCtrl+D");
}

} // namespace
} // namespace velomira
