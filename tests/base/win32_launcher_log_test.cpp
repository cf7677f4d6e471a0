// The log on real files under wine: appended, rotated, and harmless where it cannot be written.
#include "base/win32_launcher_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch_file.h"

namespace quillguard {
namespace {

namespace fs = std::filesystem;

TEST(Win32LauncherLogTest, AppendsOneLinePerStepAndRotatesBeforeOneMebibyte) {
    const fs::path parent = testing::ScratchFile::UniquePath();
    const fs::path folder = parent / L"QuillGuard";
    fs::create_directories(parent);
    Win32LauncherLog log(folder.wstring());
    // The folder is made with the first line; the system's text follows the error code.
    log.Record(FlowStep(LogStage::Game, 20, ERROR_FILE_NOT_FOUND));
    log.Record(FlowStep(LogStage::Exit, 1));
    const std::string pid = " pid=" + std::to_string(::GetCurrentProcessId()) + " ";
    const std::string lines = testing::ReadWholeFile(folder / L"launcher.log").value_or("");
    EXPECT_NE(lines.find(pid + "game code=20 error=2 \""), std::string::npos) << lines;
    EXPECT_GT(lines.find('\n'), lines.find("error=2 \"") + 12) << lines;
    EXPECT_TRUE(lines.ends_with(pid + "exit code=1\n")) << lines;

    // A line that would pass 1 MiB goes into a new log; the full one replaces an older one.
    const std::string full(1024 * 1024 - 20, 'x');
    std::ofstream(folder / L"launcher.log", std::ios::binary | std::ios::trunc) << full;
    std::ofstream(folder / L"launcher.1.log", std::ios::binary) << "older";
    log.Record(FlowStep(LogStage::Start));
    EXPECT_TRUE(testing::ReadWholeFile(folder / L"launcher.1.log") == full);
    EXPECT_EQ(testing::ReadWholeFile(folder / L"launcher.log").value_or("").substr(24),
              pid + "start\n");
    fs::remove_all(parent);
}

TEST(Win32LauncherLogTest, AFolderThatCannotBeWrittenLosesTheLineAndNothingElse) {
    const testing::ScratchFile file(std::string("not a folder"));
    for (const std::wstring& folder : {(file.path() / L"QuillGuard").wstring(), std::wstring()}) {
        Win32LauncherLog log(folder);
        // The caller reads the error of its own failed call after reporting it.
        ::SetLastError(ERROR_INVALID_DATA);
        log.Record(FlowStep(LogStage::Exit, 1));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    }
    EXPECT_EQ(file.content(), "not a folder");
}

}  // namespace
}  // namespace quillguard
