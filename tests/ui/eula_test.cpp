#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/eula_record.h"
#include "ui/eula_text.h"

namespace quillguard {
namespace {

// A title framed by six asterisks, then, each after an empty line, three paragraphs (the third
// leading into the list with a colon), ten list items and a closing paragraph.
TEST(EulaTextTest, HasTheAgreementsForm) {
    const std::wstring_view text = EulaText();
    EXPECT_EQ(text.size(), 2780u);
    EXPECT_EQ(text.data()[text.size()], L'\0');  // the text box is given the pointer alone
    for (const wchar_t c : text) {
        ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == L'\r' || c == L'\n') << int(c);
    }
    // Every break is a CR LF pair, with no CR or LF alone.
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 28);
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 28);
    std::wstring shape;  // each line as a paragraph, an empty line or a list item
    for (std::size_t start = 0, end = 0; end != std::wstring_view::npos; start = end + 2) {
        end = text.find(L"\r\n", start);
        const std::wstring_view line = text.substr(start, end - start);
        shape += line.empty() ? L' ' : line.starts_with(L"- ") ? L'-' : L'p';
    }
    EXPECT_EQ(shape, L"p p p p - - - - - - - - - - p");
    EXPECT_TRUE(text.starts_with(L"****** "));
    EXPECT_EQ(text.find(L" ******\r\n"), 33u);
    EXPECT_NE(text.find(L":\r\n\r\n- "), std::wstring_view::npos);
    EXPECT_NE(text.find(L"QuillGuard Launcher"), std::wstring_view::npos);
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
