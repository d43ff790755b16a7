// Where the minimised dialog draws its icon.
#include "icon_position.h"

#include <gtest/gtest.h>

TEST(IconPosition, CentresWithRoundingAndTruncationTowardZero) {
    EXPECT_EQ(MinimizedIconPosition(RECT{0, 0, 33, 33}, 32, 32).x, 1);
    EXPECT_EQ(MinimizedIconPosition(RECT{0, 0, 32, 32}, 32, 32).x, 0);
    EXPECT_EQ(MinimizedIconPosition(RECT{0, 0, 0, 0}, 32, 32).x, -15);
}

TEST(IconPosition, EachAxisUsesItsOwnClientAndIconSize) {
    const POINT at = MinimizedIconPosition(RECT{0, 0, 160, 31}, 32, 16);
    EXPECT_EQ(at.x, 64);  // (160 - 32 + 1) / 2
    EXPECT_EQ(at.y, 8);   // (31 - 16 + 1) / 2
    const POINT negative = MinimizedIconPosition(RECT{0, 0, 10, 2}, 48, 48);
    EXPECT_EQ(negative.x, -18);  // -37 / 2
    EXPECT_EQ(negative.y, -22);  // -45 / 2
}

TEST(IconPosition, UsesTheClientSizeNotItsOrigin) {
    const POINT at = MinimizedIconPosition(RECT{100, 200, 133, 233}, 32, 32);
    EXPECT_EQ(at.x, 1);
    EXPECT_EQ(at.y, 1);
}
