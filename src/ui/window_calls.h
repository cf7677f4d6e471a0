#pragma once

#include <windows.h>

namespace quillguard {

// The calls whose failure would leave the launcher waiting for its windows, gathered in one table
// so that a test can make one of them fail; the launcher always uses SystemWindowCalls().
struct WindowCalls {
    decltype(&::CreateEventW) CreateEventW;
    decltype(&::CreateThread) CreateThread;
    decltype(&::CreateWindowExW) CreateWindowExW;
};

const WindowCalls& SystemWindowCalls();

}  // namespace quillguard
