#include "app/win32/WindowThread.h"

#include <exception>

namespace pictrano {
namespace {

struct WindowThreadWork {
    const std::function<void()>* work;
    std::exception_ptr error;
    bool done = false;
};

}  // namespace

bool runOnWindowThread(HWND window, const std::function<void()>& work) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        work();
        return true;
    }
    WindowThreadWork call{&work, nullptr};
    SendMessageW(window, kWindowThreadCall, 0, reinterpret_cast<LPARAM>(&call));
    if (call.error) std::rethrow_exception(call.error);
    return call.done;
}

bool serveWindowThreadCall(HWND dialog, UINT message, LPARAM lParam) {
    if (message != kWindowThreadCall) return false;
    auto* call = reinterpret_cast<WindowThreadWork*>(lParam);
    try {
        (*call->work)();
    } catch (...) {
        call->error = std::current_exception();
    }
    call->done = true;
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    return true;
}

}  // namespace pictrano
