// Where a dialog goes when it is centred over its owner or the screen.
#include "centering.h"

#include <gtest/gtest.h>

TEST(Centering, CentresOverTheArea) {
    const POINT origin = afx::CenteredOrigin(RECT{0, 0, 200, 100}, RECT{100, 100, 500, 400}, RECT{0, 0, 1024, 768});
    EXPECT_EQ(origin.x, 200);
    EXPECT_EQ(origin.y, 200);
}

TEST(Centering, StaysInsideTheWorkArea) {
    const RECT work{0, 0, 800, 600};
    const POINT nearRight = afx::CenteredOrigin(RECT{0, 0, 300, 200}, RECT{700, 500, 800, 600}, work);
    EXPECT_EQ(nearRight.x, 500);
    EXPECT_EQ(nearRight.y, 400);
    const POINT nearLeft = afx::CenteredOrigin(RECT{0, 0, 300, 200}, RECT{-50, -40, 50, 40}, work);
    EXPECT_EQ(nearLeft.x, 0);
    EXPECT_EQ(nearLeft.y, 0);
}

TEST(Centering, AWindowLargerThanTheWorkAreaKeepsItsTopLeftVisible) {
    const POINT origin = afx::CenteredOrigin(RECT{0, 0, 900, 700}, RECT{0, 0, 800, 600}, RECT{0, 0, 800, 600});
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
}
