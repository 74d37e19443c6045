#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/ControlDeclarations.h"
#include "app/DialogControls.h"

namespace pictrano {

// A dialog whose controls live in memory: the state a real window would hold, for the tests and
// the command-line tool. Only the declared controls (ControlDeclarations.h) exist; any other id is a programming error and
// throws std::out_of_range. All operations lock, so a worker thread may use it.
class MemoryDialog : public DialogControls {
public:
    struct Item {
        std::string text;
        std::uint32_t data = 0;
        bool selected = false;
    };
    struct MessageBoxRecord {
        std::string text;
        Icon icon;
    };

    explicit MemoryDialog(const std::vector<ControlDeclaration>& controls);

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

    // Observers, called after the change with the lock released.
    std::function<void(int id, const std::string& text)> onItemAdded;
    std::function<void(const std::string& text, Icon icon)> onMessageBox;

    // Inspection for tests.
    std::vector<std::string> itemTexts(int id) const;
    std::vector<MessageBoxRecord> messageBoxes() const;
    int focusedControl() const;

private:
    struct Control {
        std::string text;
        bool enabled = true;
        bool checked = false;
        int selection = -1;
        std::vector<Item> items;
    };

    Control& control(int id);
    const Control& control(int id) const;
    static void checkIndex(const Control& control, int index);

    mutable std::mutex mutex_;
    std::map<int, Control> controls_;
    std::vector<MessageBoxRecord> messageBoxes_;
    int focused_ = 0;
    int left_ = 0;
    int top_ = 0;
};

}  // namespace pictrano
