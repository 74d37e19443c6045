#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/DialogControls.h"

namespace pictrano {

// DialogControls over a real dialog window. List operations become list-box or combo-box
// messages by the control's window class. Every operation runs on the window's own thread: called
// from another thread (the conversion job's), it is handed over with runOnWindowThread, so the
// dialog's procedure must serve serveWindowThreadCall. A control the dialog lacks reads as empty.
class Win32Dialog : public DialogControls {
public:
    explicit Win32Dialog(HWND dialog) : dialog_(dialog) {}

    HWND handle() const { return dialog_; }

    int addItem(int id, const std::string& text) override;
    void setItemData(int id, int index, std::uint32_t data) override;
    std::uint32_t itemData(int id, int index) const override;
    std::string itemText(int id, int index) const override;
    int itemCount(int id) const override;
    void deleteItem(int id, int index) override;
    void clearItems(int id) override;
    int selection(int id) const override;
    void setSelection(int id, int index) override;
    bool isItemSelected(int id, int index) const override;
    void setItemSelected(int id, int index, bool selected) override;
    int findItemPrefix(int id, const std::string& prefix) const override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    bool isEnabled(int id) const override;
    void setEnabled(int id, bool enabled) override;
    std::string text(int id) const override;
    void setText(int id, const std::string& text) override;
    void focusEdit(int id) override;
    void messageBox(const std::string& text, Icon icon) override;
    void windowPosition(int& left, int& top) const override;
    void moveWindow(int left, int top) override;

private:
    // Runs `operation` on the window's thread and gives its result.
    template <typename Operation>
    auto onWindowThread(Operation operation) const;

    HWND dialog_;
};

}  // namespace pictrano
