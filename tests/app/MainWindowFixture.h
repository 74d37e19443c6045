#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "app/OptionStore.h"

namespace pictrano::test {

// A main window over an in-memory dialog 110, initialised, with the default options.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture() : dialog(mainWindowControls()), window(dialog, options, hooks()) {
        options.setDefaults();
        window.initialise();
    }

    // Hooks for the tests to fill before they are used; the window holds a copy made at
    // construction, so the fixture's hooks forward to these members.
    MainWindowHooks hooks() {
        MainWindowHooks h;
        h.loadWindowSettings = [this] { if (onLoadWindowSettings) onLoadWindowSettings(); };
        h.saveSettings = [this] { ++saveCount; };
        h.chooseFiles = [this] { return chooseFilesResult(); };
        h.chooseDirectory = [this] { return chosenDirectory; };
        h.openOptions = [this] { ++optionsOpened; };
        h.acceptDrops = [this](bool accept) { dropStates.push_back(accept); };
        h.postClose = [this] { ++closePosted; };
        return h;
    }

    // Selects an entry of a combo box and tells the window, as the user's choice would.
    void choose(int id, const std::string& text) {
        const std::vector<std::string> items = dialog.itemTexts(id);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == text) {
                dialog.setSelection(id, static_cast<int>(i));
                window.onCommand(id, kSelectionChanged);
                return;
            }
        }
        FAIL() << "no entry " << text << " in " << id;
    }

    void click(int id, bool checked) {
        dialog.setChecked(id, checked);
        window.onCommand(id);
    }

    std::string selectedText(int id) const {
        const int index = dialog.selection(id);
        return index < 0 ? std::string() : dialog.itemText(id, index);
    }

    std::function<void()> onLoadWindowSettings;
    std::function<FileDialogResult()> chooseFilesResult = [] { return FileDialogResult{}; };
    std::optional<std::string> chosenDirectory;
    int saveCount = 0;
    int optionsOpened = 0;
    int closePosted = 0;
    std::vector<bool> dropStates;

    OptionStore options;
    MemoryDialog dialog;
    MainWindow window;
};

}  // namespace pictrano::test
