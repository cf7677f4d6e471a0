#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/eula_record.h"
#include "ui/eula_text.h"
#include "ui/window_layout.h"

namespace quillguard {
namespace {

// The text box shows the agreement as Windows breaks lines: printable text, every line ended by
// CR LF and no CR or LF alone; it is given the pointer alone, so the text ends in a NUL.
TEST(EulaTextTest, BreaksLinesAsTheTextBoxDoes) {
    const std::wstring_view text = EulaText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.data()[text.size()], L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool pairedBreak = (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ||
                                 (c == L'\n' && i > 0 && text[i - 1] == L'\r');
        ASSERT_TRUE((c >= 0x20 && c < 0x7F) || pairedBreak) << "at " << i;
    }
}

// The four bytes as the query left them in a zeroed buffer; the value's type is not looked at.
TEST(EulaRecordTest, OnlyASuccessfulQueryReadingOneIsAcceptance) {
    using Data = std::array<std::uint8_t, 4>;
    EXPECT_TRUE(RecordsAcceptance(true, Data{1, 0, 0, 0}));
    // Every byte counts, little-endian: 2, 0x101, 0x01000000.
    for (const Data& data : {Data{2, 0, 0, 0}, Data{1, 1, 0, 0}, Data{0, 0, 0, 1}}) {
        EXPECT_FALSE(RecordsAcceptance(true, data));
    }
    EXPECT_FALSE(RecordsAcceptance(false, Data{1, 0, 0, 0}));  // no value, or over four bytes
}

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
