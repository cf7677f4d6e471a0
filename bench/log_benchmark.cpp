// Times the launcher's log as a start writes it and prints the figures: each line opens, appends
// to and closes the file, with the system's text for an error, and the file is rotated at 1 MiB.
//
//   qg_log_benchmark FOLDER [LINES]     (default 20000 lines, about 3 MiB, so it rotates)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/win32_launcher_log.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: qg_log_benchmark FOLDER [LINES]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const long lines = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 20000;
    std::filesystem::remove_all(folder);
    quillguard::Win32LauncherLog log(folder.wstring());
    quillguard::LogEntry download;
    download.stage = quillguard::LogStage::Download;
    download.url =
        L"https://updates.example.com/files/0123456789abcdef0123456789abcdef01234567.dll";
    download.status = 200;
    download.systemError = 12030;  // the connection broke: the longest line a start writes
    download.bytes = 67108864;
    download.milliseconds = 5123;

    const auto start = std::chrono::steady_clock::now();
    for (long line = 0; line < lines; ++line) {
        log.Record(download);
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const double perLine = seconds.count() / static_cast<double>(lines);
    std::error_code ignored;
    std::printf("%ld lines in %.3f s: %.1f us a line, %.2f ms for the 8 lines of a start\n", lines,
                seconds.count(), perLine * 1e6, perLine * 8 * 1e3);
    std::printf(
        "launcher.log %ju bytes, launcher.1.log %ju bytes\n",
        static_cast<std::uintmax_t>(std::filesystem::file_size(folder / "launcher.log", ignored)),
        static_cast<std::uintmax_t>(
            std::filesystem::file_size(folder / "launcher.1.log", ignored)));
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
