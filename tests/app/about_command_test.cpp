// Which system commands open the About box.
#include "about_command.h"

#include <gtest/gtest.h>

TEST(AboutCommand, IdsSixteenToThirtyOneAllOpenTheAboutBox) {
    for (UINT id = 0x10; id <= 0x1F; ++id) EXPECT_TRUE(IsAboutCommand(id)) << std::hex << id;
}

TEST(AboutCommand, OtherCommandsGoToTheDefaultProcessing) {
    for (UINT id : {0x00u, 0x0Fu, 0x20u, 0x2Fu, 0x110u, 0xF010u, 0xF060u, 0xF020u, 0xF030u}) {
        EXPECT_FALSE(IsAboutCommand(id)) << std::hex << id;
    }
}
