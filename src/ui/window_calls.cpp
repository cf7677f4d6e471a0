#include "ui/window_calls.h"

namespace quillguard {

const WindowCalls& SystemWindowCalls() {
    static const WindowCalls calls{::CreateEventW, ::CreateThread, ::CreateWindowExW};
    return calls;
}

}  // namespace quillguard
