#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/eula_record.h"
#include "ui/eula_text.h"

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

}  // namespace
}  // namespace quillguard
