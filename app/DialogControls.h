#pragma once

#include <cstdint>
#include <string>

namespace pictrano {

// The operations the window logic and the conversion job need on a dialog's controls, addressed
// by control id. Texts are UTF-8. Win32Dialog adapts it to a real window; MemoryDialog keeps the
// state in memory for the tests and the command-line tool. Implementations are safe to call from
// the job's worker thread.
class DialogControls {
public:
    enum class Icon { Warning, Error, Information };

    virtual ~DialogControls() = default;

    // List boxes and combo boxes.
    virtual int addItem(int id, const std::string& text) = 0;  // the new item's index
    virtual void setItemData(int id, int index, std::uint32_t data) = 0;
    virtual std::uint32_t itemData(int id, int index) const = 0;
    virtual std::string itemText(int id, int index) const = 0;
    virtual int itemCount(int id) const = 0;
    virtual void deleteItem(int id, int index) = 0;
    virtual void clearItems(int id) = 0;
    // The selected item of a combo box or single-selection list, -1 for none.
    virtual int selection(int id) const = 0;
    virtual void setSelection(int id, int index) = 0;
    // Selection state of one item of a multiple-selection list.
    virtual bool isItemSelected(int id, int index) const = 0;
    virtual void setItemSelected(int id, int index, bool selected) = 0;
    // The first item that begins with `prefix`, compared without regard to case; -1 for none.
    virtual int findItemPrefix(int id, const std::string& prefix) const = 0;

    // Buttons, edit boxes, any control.
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, const std::string& text) = 0;
    // Gives an edit box the focus with its selection cleared.
    virtual void focusEdit(int id) = 0;

    // A modal message box owned by the dialog, captioned "Pictrano".
    virtual void messageBox(const std::string& text, Icon icon) = 0;

    // The window's restored (normal) position, and moving it keeping its size.
    virtual void windowPosition(int& left, int& top) const = 0;
    virtual void moveWindow(int left, int top) = 0;
};

// Replaces the items of list `id` by `lines`, in order, leaving it without a selection.
template <typename Lines>
void fillList(DialogControls& controls, int id, const Lines& lines) {
    controls.clearItems(id);
    for (const auto& line : lines) controls.addItem(id, line);
}

}  // namespace pictrano
