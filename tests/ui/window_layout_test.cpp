#include "ui/window_layout.h"

#include <gtest/gtest.h>

namespace quillguard {
namespace {

struct DpiCase {
    int dpi;
    WindowRect window;  // on an 800 x 600 screen
    WindowRect agreementBox;
};

// The sizes are given at 96 DPI and grow with the monitor's, to the nearest pixel; the window is
// centred with halves cut toward zero, at negative coordinates when larger than the screen.
TEST(WindowLayoutTest, EulaWindowScalesWithTheDpiAndIsCentred) {
    const DpiCase cases[] = {
        {96, {150, 100, 500, 400}, {10, 35, 460, 280}},
        {120, {88, 50, 625, 500}, {13, 44, 575, 350}},
        {144, {25, 0, 750, 600}, {15, 53, 690, 420}},
        {192, {-100, -100, 1000, 800}, {20, 70, 920, 560}},
    };
    for (const DpiCase& c : cases) {
        EXPECT_EQ(EulaWindowRect(800, 600, c.dpi), c.window) << c.dpi;
        EXPECT_EQ(ScaledRect(EulaControls()[1].rect, c.dpi), c.agreementBox) << c.dpi;
    }
}

}  // namespace
}  // namespace quillguard
