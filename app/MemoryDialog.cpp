#include "app/MemoryDialog.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace pictrano {
namespace {

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

MemoryDialog::MemoryDialog(const std::vector<ControlDeclaration>& controls) {
    for (const ControlDeclaration& declared : controls) {
        Control& control = controls_[declared.id];
        control.text = declared.text;
        control.enabled = declared.enabled;
    }
}

MemoryDialog::Control& MemoryDialog::control(int id) {
    auto found = controls_.find(id);
    if (found == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
    return found->second;
}

const MemoryDialog::Control& MemoryDialog::control(int id) const {
    return const_cast<MemoryDialog*>(this)->control(id);
}

void MemoryDialog::checkIndex(const Control& control, int index) {
    if (index < 0 || index >= static_cast<int>(control.items.size())) {
        throw std::out_of_range("no item " + std::to_string(index));
    }
}

int MemoryDialog::addItem(int id, const std::string& text) {
    int index;
    {
        std::lock_guard lock(mutex_);
        Control& list = control(id);
        list.items.push_back(Item{text});
        index = static_cast<int>(list.items.size()) - 1;
    }
    if (onItemAdded) onItemAdded(id, text);
    return index;
}

void MemoryDialog::setItemData(int id, int index, std::uint32_t data) {
    std::lock_guard lock(mutex_);
    Control& list = control(id);
    checkIndex(list, index);
    list.items[index].data = data;
}

std::uint32_t MemoryDialog::itemData(int id, int index) const {
    std::lock_guard lock(mutex_);
    const Control& list = control(id);
    checkIndex(list, index);
    return list.items[index].data;
}

std::string MemoryDialog::itemText(int id, int index) const {
    std::lock_guard lock(mutex_);
    const Control& list = control(id);
    checkIndex(list, index);
    return list.items[index].text;
}

int MemoryDialog::itemCount(int id) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(control(id).items.size());
}

void MemoryDialog::deleteItem(int id, int index) {
    std::lock_guard lock(mutex_);
    Control& list = control(id);
    checkIndex(list, index);
    list.items.erase(list.items.begin() + index);
    if (list.selection == index) list.selection = -1;
    else if (list.selection > index) --list.selection;
}

void MemoryDialog::clearItems(int id) {
    std::lock_guard lock(mutex_);
    Control& list = control(id);
    list.items.clear();
    list.selection = -1;
}

int MemoryDialog::selection(int id) const {
    std::lock_guard lock(mutex_);
    return control(id).selection;
}

// Like a combo box, an index outside the items clears the selection.
void MemoryDialog::setSelection(int id, int index) {
    std::lock_guard lock(mutex_);
    Control& list = control(id);
    list.selection = index >= 0 && index < static_cast<int>(list.items.size()) ? index : -1;
}

bool MemoryDialog::isItemSelected(int id, int index) const {
    std::lock_guard lock(mutex_);
    const Control& list = control(id);
    checkIndex(list, index);
    return list.items[index].selected;
}

void MemoryDialog::setItemSelected(int id, int index, bool selected) {
    std::lock_guard lock(mutex_);
    Control& list = control(id);
    checkIndex(list, index);
    list.items[index].selected = selected;
}

int MemoryDialog::findItemPrefix(int id, const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    const Control& list = control(id);
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (startsWithIgnoringCase(list.items[i].text, prefix)) return static_cast<int>(i);
    }
    return -1;
}

bool MemoryDialog::isChecked(int id) const {
    std::lock_guard lock(mutex_);
    return control(id).checked;
}

void MemoryDialog::setChecked(int id, bool checked) {
    std::lock_guard lock(mutex_);
    control(id).checked = checked;
}

bool MemoryDialog::isEnabled(int id) const {
    std::lock_guard lock(mutex_);
    return control(id).enabled;
}

void MemoryDialog::setEnabled(int id, bool enabled) {
    std::lock_guard lock(mutex_);
    control(id).enabled = enabled;
}

std::string MemoryDialog::text(int id) const {
    std::lock_guard lock(mutex_);
    return control(id).text;
}

void MemoryDialog::setText(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    control(id).text = text;
}

void MemoryDialog::focusEdit(int id) {
    std::lock_guard lock(mutex_);
    control(id);
    focused_ = id;
}

void MemoryDialog::messageBox(const std::string& text, Icon icon) {
    {
        std::lock_guard lock(mutex_);
        messageBoxes_.push_back({text, icon});
    }
    if (onMessageBox) onMessageBox(text, icon);
}

void MemoryDialog::windowPosition(int& left, int& top) const {
    std::lock_guard lock(mutex_);
    left = left_;
    top = top_;
}

void MemoryDialog::moveWindow(int left, int top) {
    std::lock_guard lock(mutex_);
    left_ = left;
    top_ = top;
}

std::vector<std::string> MemoryDialog::itemTexts(int id) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Item& item : control(id).items) texts.push_back(item.text);
    return texts;
}

std::vector<MemoryDialog::MessageBoxRecord> MemoryDialog::messageBoxes() const {
    std::lock_guard lock(mutex_);
    return messageBoxes_;
}

int MemoryDialog::focusedControl() const {
    std::lock_guard lock(mutex_);
    return focused_;
}

}  // namespace pictrano
