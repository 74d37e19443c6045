#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"

namespace pictrano::test {

// A main window over an in-memory dialog 110, initialised, with the default options. Its hooks
// record what the window asked of the platform.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture()
        : dialog(mainWindowControls()),
          window(dialog, options,
                 {.loadWindowSettings = nullptr,  // no stored window settings
                  .saveSettings = [this] { ++saveCount; },
                  .chooseFiles = [this] { ++fileDialogs; return chooseFilesResult(); },
                  .chooseDirectory = [this] { return chosenDirectory; },
                  .openOptions = [this] { ++optionsOpened; },
                  .acceptDrops = [this](bool accept) { dropStates.push_back(accept); },
                  .postClose = [this] { ++closePosted; }}) {
        options.setDefaults();
        window.initialise();
    }

    // Selects an entry of a combo box and tells the window, as the user's choice would.
    void choose(int id, const std::string& text) {
        const std::vector<std::string> items = dialog.itemTexts(id);
        const auto found = std::find(items.begin(), items.end(), text);
        ASSERT_NE(found, items.end()) << "no entry " << text << " in " << id;
        dialog.setSelection(id, static_cast<int>(found - items.begin()));
        window.onCommand(id, kSelectionChanged);
    }

    void click(int id, bool checked) {
        dialog.setChecked(id, checked);
        window.onCommand(id);
    }

    std::function<FileDialogResult()> chooseFilesResult = [] { return FileDialogResult{}; };
    std::optional<std::string> chosenDirectory;
    int saveCount = 0, optionsOpened = 0, closePosted = 0, fileDialogs = 0;
    std::vector<bool> dropStates;

    OptionStore options;
    MemoryDialog dialog;
    MainWindow window;
};

}  // namespace pictrano::test
