#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/eula_record.h"
#include "ui/eula_text.h"

namespace quillguard {
namespace {

std::vector<std::wstring> LinesOf(std::wstring_view text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring_view::npos;
         start = end + 2) {
        lines.emplace_back(text.substr(start, end - start));
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

// A title framed by six asterisks, then, each after an empty line, three paragraphs (the third
// leading into the list), ten list items and a closing paragraph.
TEST(EulaTextTest, HasTheAgreementsForm) {
    const std::wstring_view text = EulaText();
    EXPECT_EQ(text.size(), 2780u);
    EXPECT_EQ(text.data()[text.size()], L'\0');
    for (const wchar_t c : text) {
        ASSERT_TRUE((c >= 0x20 && c < 0x7F) || c == L'\r' || c == L'\n') << int(c);
    }
    const std::vector<std::wstring> lines = LinesOf(text);
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_EQ(lines[0].size(), 40u);
    EXPECT_TRUE(lines[0].starts_with(L"****** ") && lines[0].ends_with(L" ******")) << lines[0];
    std::size_t longest = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        // No lone CR or LF: every break is a pair.
        EXPECT_EQ(lines[i].find_first_of(L"\r\n"), std::wstring::npos) << i;
        EXPECT_EQ(lines[i].empty(), i % 2 == 1) << i;
        const bool listItem = i >= 8 && i <= 26;
        if (i % 2 == 0) {
            EXPECT_EQ(lines[i].starts_with(L"- "), listItem) << i;
        }
        longest = std::max(longest, lines[i].size());
    }
    EXPECT_TRUE(lines[6].ends_with(L":")) << lines[6];
    EXPECT_EQ(longest, 492u);
    EXPECT_NE(text.find(L"QuillGuard Launcher"), std::wstring_view::npos);
}

struct RecordCase {
    const char* name;
    bool querySucceeded;
    std::array<std::uint8_t, 4> data;  // as the query left the zeroed buffer
    bool accepted;
};

TEST(EulaRecordTest, OnlyASuccessfulQueryReadingOneIsAcceptance) {
    const RecordCase cases[] = {
        {"REG_DWORD 1", true, {1, 0, 0, 0}, true},
        {"one-byte REG_BINARY 1", true, {1, 0, 0, 0}, true},
        {"REG_DWORD 0", true, {0, 0, 0, 0}, false},
        {"REG_DWORD 2", true, {2, 0, 0, 0}, false},
        {"REG_DWORD 0x101", true, {1, 1, 0, 0}, false},
        {"REG_DWORD 0x01000000", true, {0, 0, 0, 1}, false},
        {"REG_SZ \"1\"", true, {0x31, 0, 0, 0}, false},
        {"no value, or longer than four bytes", false, {1, 0, 0, 0}, false},
    };
    for (const RecordCase& c : cases) {
        EXPECT_EQ(RecordsAcceptance(c.querySucceeded, c.data), c.accepted) << c.name;
    }
}

}  // namespace
}  // namespace quillguard
