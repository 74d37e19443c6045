#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/RegistryBackend.h"
#include "tests/win32-driver/DriverOptions.h"
#include "tests/win32-driver/RunningProgram.h"
#include "tests/win32/support/RawRegistry.h"

namespace pictrano::driver {

inline const std::wstring kProgramKey = RegistryBackend::kDefaultSubKey;

// Each test starts from an empty settings key; start() runs the program.
class DriverTest : public ::testing::Test {
protected:
    DriverTest() { test::deleteRawKey(kProgramKey); }

    RunningProgram& start() {
        program = std::make_unique<RunningProgram>();
        return *program;
    }

    // Closes the program and checks that it ended.
    void closeProgram() {
        ASSERT_TRUE(program->close()) << "the window did not close";
        program.reset();
    }

    void screenshot(HWND window, const std::string& name) {
        if (screenshotFolder.empty()) return;
        std::filesystem::create_directories(screenshotFolder);
        EXPECT_TRUE(captureWindow(window, screenshotFolder / (name + screenshotSuffix + ".bmp")))
            << name;
    }

    std::vector<std::string> items(int id) {
        std::vector<std::string> texts;
        for (int i = 0; i < program->controls().itemCount(id); ++i) {
            texts.push_back(program->controls().itemText(id, i));
        }
        return texts;
    }

    std::string selectedText(int id) {
        const int index = program->controls().selection(id);
        return index < 0 ? "" : program->controls().itemText(id, index);
    }

    std::unique_ptr<RunningProgram> program;
};

}  // namespace pictrano::driver
