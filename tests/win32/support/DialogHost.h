#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace pictrano::test {

// A dialog of the program's resources created hidden (modeless, without owner) with a procedure
// that only serves calls handed over from other threads; destroyed with the host.
class DialogHost {
public:
    explicit DialogHost(int resource, HWND parent = nullptr);
    ~DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;
    HWND handle() const { return dialog_; }

private:
    HWND dialog_;
};

// Dispatches the calling thread's pending messages.
void pumpMessages();

// The text of a window, as UTF-8.
std::string windowTextOf(HWND window);

// The direct children of a window with the given class name, in Z order.
std::vector<HWND> childrenOfClass(HWND parent, const wchar_t* className);

}  // namespace pictrano::test
