// The operations of DialogControls behave alike on the in-memory dialog and on the real window,
// in the window's own thread and handed over from another thread.
#include "app/win32/Win32Dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/ControlIds.h"
#include "app/MainWindow.h"
#include "app/MemoryDialog.h"
#include "app/win32/MainDialog.h"
#include "app/win32/WindowThread.h"
#include "tests/win32/support/DialogHost.h"

namespace pictrano {
namespace {

// Runs the same sequence of operations and checks against one implementation.
void exerciseControls(DialogControls& dialog) {
    const int list = ids::kSourceList;
    const int combo = ids::kColourFormat;
    for (int id : {list, combo}) {
        dialog.clearItems(id);
        EXPECT_EQ(dialog.itemCount(id), 0) << id;
        EXPECT_EQ(dialog.addItem(id, "C:\\写真\\Ａ.bmp"), 0) << id;
        EXPECT_EQ(dialog.addItem(id, "c:\\photos\\b.BMP"), 1) << id;
        EXPECT_EQ(dialog.addItem(id, "D:\\x.png"), 2) << id;
        dialog.setItemData(id, 1, 0xC0FFEE42u);
        EXPECT_EQ(dialog.itemData(id, 1), 0xC0FFEE42u) << id;
        EXPECT_EQ(dialog.itemText(id, 0), "C:\\写真\\Ａ.bmp") << id;
        EXPECT_EQ(dialog.findItemPrefix(id, "C:\\PHOTOS\\B"), 1) << id;
        EXPECT_EQ(dialog.findItemPrefix(id, "C:\\写真\\"), 0) << id;
        EXPECT_EQ(dialog.findItemPrefix(id, "E:"), -1) << id;
        dialog.deleteItem(id, 0);
        EXPECT_EQ(dialog.itemCount(id), 2) << id;
        EXPECT_EQ(dialog.itemText(id, 0), "c:\\photos\\b.BMP") << id;
    }
    EXPECT_EQ(dialog.selection(combo), -1);
    dialog.setSelection(combo, 1);
    EXPECT_EQ(dialog.selection(combo), 1);
    dialog.setSelection(combo, 7);
    EXPECT_EQ(dialog.selection(combo), -1);

    dialog.setItemSelected(list, 1, true);
    EXPECT_TRUE(dialog.isItemSelected(list, 1));
    EXPECT_FALSE(dialog.isItemSelected(list, 0));
    dialog.setItemSelected(list, 1, false);
    EXPECT_FALSE(dialog.isItemSelected(list, 1));

    dialog.addItem(ids::kMessageList, "line");
    dialog.setSelection(ids::kMessageList, 0);
    EXPECT_EQ(dialog.selection(ids::kMessageList), 0);

    dialog.setChecked(ids::kMaxSizeCheck, true);
    EXPECT_TRUE(dialog.isChecked(ids::kMaxSizeCheck));
    dialog.setChecked(ids::kMaxSizeCheck, false);
    EXPECT_FALSE(dialog.isChecked(ids::kMaxSizeCheck));
    EXPECT_FALSE(dialog.isEnabled(ids::kMaxWidth));
    dialog.setEnabled(ids::kMaxWidth, true);
    EXPECT_TRUE(dialog.isEnabled(ids::kMaxWidth));
    dialog.setText(ids::kOutputDirectory, "C:\\出力先\\ｶﾀｶﾅ");
    EXPECT_EQ(dialog.text(ids::kOutputDirectory), "C:\\出力先\\ｶﾀｶﾅ");
    dialog.setText(ids::kClose, "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.text(ids::kClose), "ｷｬﾝｾﾙ");
}

TEST(DialogControls, MemoryDialog) {
    MemoryDialog dialog(mainWindowControls());
    exerciseControls(dialog);
}

TEST(DialogControls, Win32DialogOnItsThread) {
    test::DialogHost host(kMainDialogResource);
    ASSERT_NE(host.handle(), nullptr);
    Win32Dialog dialog(host.handle());
    exerciseControls(dialog);
}

// From another thread every operation is handed to the window's thread, which serves it while
// it waits for messages; an exception thrown there reaches the caller.
TEST(DialogControls, Win32DialogFromAnotherThread) {
    test::DialogHost host(kMainDialogResource);
    ASSERT_NE(host.handle(), nullptr);
    Win32Dialog dialog(host.handle());
    std::atomic<bool> done{false};
    std::thread worker([&] {
        exerciseControls(dialog);
        done = true;
        PostMessageW(host.handle(), WM_NULL, 0, 0);
    });
    MSG message;
    while (!done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    worker.join();

    std::thread thrower([&] {
        EXPECT_THROW(runOnWindowThread(host.handle(), [] { throw std::bad_alloc(); }),
                     std::bad_alloc);
        done = false;
        PostMessageW(host.handle(), WM_NULL, 0, 0);
    });
    while (done && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    thrower.join();
}

// A window that is gone runs nothing and reads as empty; the caller is never blocked.
TEST(DialogControls, Win32DialogAfterTheWindowIsGone) {
    HWND gone;
    {
        test::DialogHost host(kMainDialogResource);
        gone = host.handle();
    }
    Win32Dialog dialog(gone);
    std::thread worker([&] {
        EXPECT_EQ(dialog.itemCount(ids::kSourceList), 0);
        EXPECT_EQ(dialog.text(ids::kClose), "");
        EXPECT_FALSE(runOnWindowThread(gone, [] {}));
    });
    worker.join();
}

// Moving keeps the size; a position on no monitor is refused.
TEST(DialogControls, Win32DialogWindowPosition) {
    test::DialogHost host(kMainDialogResource);
    ASSERT_NE(host.handle(), nullptr);
    Win32Dialog dialog(host.handle());
    RECT before{};
    GetWindowRect(host.handle(), &before);
    dialog.moveWindow(40, 30);
    int left = 0, top = 0;
    dialog.windowPosition(left, top);
    EXPECT_EQ(std::pair(left, top), std::pair(40, 30));
    RECT after{};
    GetWindowRect(host.handle(), &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    dialog.moveWindow(-100000, -100000);
    dialog.windowPosition(left, top);
    EXPECT_EQ(std::pair(left, top), std::pair(40, 30));
}

}  // namespace
}  // namespace pictrano
