#include "ui/win32_user_interface.h"

#include <gtest/gtest.h>

namespace quillguard {
namespace {

// A second launcher is told with the information icon, every failure with the error icon; both
// boxes have the OK button alone (0).
TEST(MessageBoxStyleTest, InformationAndErrorIcons) {
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Information), 0x40u);
    EXPECT_EQ(MessageBoxStyle(MessageIcon::Error), 0x10u);
}

}  // namespace
}  // namespace quillguard
