#include "app/OptionsDialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MemoryDialog.h"
#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kRuleRadioIds[] = {ids::kTransparentChosen,      ids::kTransparentTopLeft,
                                 ids::kTransparentTopRight,    ids::kTransparentBottomLeft,
                                 ids::kTransparentBottomRight, ids::kTransparentBorder};

std::vector<std::pair<std::string, Bytes>> snapshot(const OptionStore& store) {
    std::vector<std::pair<std::string, Bytes>> values;
    for (const std::string& key : store.keys()) values.emplace_back(key, store.find(key)->data);
    return values;
}

Bytes greys() {
    Bytes table(64);
    for (std::uint32_t i = 0; i < 16; ++i) storeLe32(table.data() + 4 * i, 0x111111 * i);
    return table;
}

// The three pages as in-memory dialogs and the dialog logic over them, opened on `store`.
class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest() { store.setDefaults(); }

    void open() {
        read = std::make_unique<MemoryDialog>(makeOptionsPage(kJpegReadPage));
        write = std::make_unique<MemoryDialog>(makeOptionsPage(kJpegWritePage));
        icon = std::make_unique<MemoryDialog>(makeOptionsPage(kIconWritePage));
        dialog = std::make_unique<OptionsDialog>(
            store, std::array<DialogControls*, 3>{read.get(), write.get(), icon.get()},
            [this](std::uint32_t initial, CustomColours& custom) {
                chooserStart = initial;
                if (editCustom) custom[0] = 0x00ABCDEF;
                return chooserAnswer;
            });
        dialog->initialise();
    }

    std::string selectedText(const MemoryDialog& page, int id) const {
        const int index = page.selection(id);
        return index < 0 ? "<none>" : page.itemText(id, index);
    }

    std::vector<int> checkedRadios() const {
        std::vector<int> checked;
        for (int id : kRuleRadioIds) {
            if (icon->isChecked(id)) checked.push_back(id);
        }
        return checked;
    }

    OptionStore store;
    std::unique_ptr<MemoryDialog> read, write, icon;
    std::unique_ptr<OptionsDialog> dialog;
    std::optional<std::uint32_t> chooserAnswer;
    std::uint32_t chooserStart = 0;
    bool editCustom = false;
};

TEST_F(OptionsDialogTest, DefaultsShowAsExpected) {
    open();
    EXPECT_EQ(read->itemTexts(ids::kReadDctColour),
              (std::vector<std::string>{"YCbCr 形式", "RGB 形式"}));
    EXPECT_EQ(selectedText(*read, ids::kReadDctColour), "YCbCr 形式");
    EXPECT_EQ(selectedText(*read, ids::kReadLosslessColour), "YCbCr 形式");
    EXPECT_EQ(write->itemTexts(ids::kWriteDctSampling),
              (std::vector<std::string>{"1:1:1 高品質", "2:1:1 中品質", "4:1:1 低品質"}));
    EXPECT_EQ(selectedText(*write, ids::kWriteDctSampling), "2:1:1 中品質");
    EXPECT_EQ(write->itemTexts(ids::kWriteLosslessSampling),
              (std::vector<std::string>{"1:1:1 高品質"}));
    EXPECT_EQ(selectedText(*write, ids::kWriteLosslessSampling), "1:1:1 高品質");
    EXPECT_FALSE(write->isChecked(ids::kRestartCheck));
    EXPECT_FALSE(write->isEnabled(ids::kRestartCheck));
    EXPECT_EQ(write->text(ids::kRestartInterval), "64");
    EXPECT_FALSE(write->isEnabled(ids::kRestartInterval));
    EXPECT_FALSE(icon->isChecked(ids::kTransparentCheck));
    for (int id : kRuleRadioIds) EXPECT_FALSE(icon->isEnabled(id)) << id;
    EXPECT_EQ(checkedRadios(), std::vector<int>{ids::kTransparentChosen});
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(ff, ff, ff)");
    EXPECT_TRUE(icon->isEnabled(ids::kTransparentColourText));
    EXPECT_TRUE(icon->isEnabled(ids::kChooseColour));
}

TEST_F(OptionsDialogTest, OkWithoutChangesWritesBackTheSameValuesAndTheGreys) {
    open();
    auto expected = snapshot(store);
    ASSERT_EQ(dialog->command(OptionsDialog::kOk), 1);
    expected.emplace_back(kCommonColorTable, greys());
    expected.back().second.push_back(0);
    EXPECT_EQ(snapshot(store), expected);
    EXPECT_EQ(store.getLength(kCommonColorTable), 64);
}

TEST_F(OptionsDialogTest, ChosenColourShowsAndCancelForgetsIt) {
    open();
    const auto before = snapshot(store);
    chooserAnswer = 0x00336699;
    editCustom = true;
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_EQ(chooserStart, 0xFFFFFFu);
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(99, 66, 33)");
    EXPECT_TRUE(icon->isChecked(ids::kTransparentCheck));
    EXPECT_EQ(checkedRadios(), std::vector<int>{ids::kTransparentChosen});
    for (int id : kRuleRadioIds) EXPECT_TRUE(icon->isEnabled(id)) << id;
    EXPECT_EQ(dialog->command(OptionsDialog::kCancel), 0);
    EXPECT_EQ(snapshot(store), before);

    open();
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(ff, ff, ff)");
    EXPECT_EQ(dialog->customColours()[0], 0u);
}

TEST_F(OptionsDialogTest, ChosenColourReplacesRuleAndIsSavedOnOk) {
    store.setInt(kIconWriteTransColorF, 0x40000010);
    open();
    chooserAnswer = 0x00010203;
    editCustom = true;
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_EQ(checkedRadios(), std::vector<int>{ids::kTransparentChosen});
    chooserAnswer = 0x00445566;
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_EQ(chooserStart, 0x00010203u);
    ASSERT_EQ(dialog->command(OptionsDialog::kOk), 1);
    EXPECT_EQ(store.getInt(kIconWriteTransColor), 0x00445566u);
    EXPECT_EQ(store.getInt(kIconWriteTrans), 1u);
    EXPECT_EQ(store.getInt(kIconWriteTransColorF), 0u);
    ASSERT_EQ(store.getLength(kCommonColorTable), 64);
    EXPECT_EQ(loadLe32(store.getData(kCommonColorTable)), 0x00ABCDEFu);
}

TEST_F(OptionsDialogTest, CancelledChooserOnlyFollowsTheCheckBox) {
    open();
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_FALSE(icon->isChecked(ids::kTransparentCheck));
    EXPECT_FALSE(icon->isEnabled(ids::kTransparentTopLeft));
    icon->setChecked(ids::kTransparentCheck, true);
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_TRUE(icon->isEnabled(ids::kTransparentTopLeft));
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(ff, ff, ff)");
    EXPECT_EQ(dialog->transparentColour(), 0xFFFFFFu);
}

TEST_F(OptionsDialogTest, TransparencyCheckBoxEnablesTheSixRadioButtons) {
    open();
    icon->setChecked(ids::kTransparentCheck, true);
    dialog->pageCommand(*icon, ids::kTransparentCheck);
    for (int id : kRuleRadioIds) EXPECT_TRUE(icon->isEnabled(id)) << id;
    icon->setChecked(ids::kTransparentCheck, false);
    dialog->pageCommand(*icon, ids::kTransparentCheck);
    for (int id : kRuleRadioIds) EXPECT_FALSE(icon->isEnabled(id)) << id;
    EXPECT_TRUE(icon->isEnabled(ids::kTransparentColourText));
    EXPECT_TRUE(icon->isEnabled(ids::kChooseColour));
}

TEST_F(OptionsDialogTest, EachRuleCodeShowsItsRadioAndIsSavedBack) {
    const std::pair<std::uint32_t, int> rules[] = {
        {0x40000005, ids::kTransparentTopLeft},     {0x40000006, ids::kTransparentTopRight},
        {0x40000009, ids::kTransparentBottomLeft},  {0x4000000A, ids::kTransparentBottomRight},
        {0x40000010, ids::kTransparentBorder},
    };
    for (auto [code, radio] : rules) {
        store.setInt(kIconWriteTransColorF, static_cast<std::int32_t>(code));
        store.setInt(kIconWriteTrans, 1);
        open();
        EXPECT_EQ(checkedRadios(), std::vector<int>{radio}) << std::hex << code;
        EXPECT_TRUE(icon->isEnabled(radio));
        store.setInt(kIconWriteTransColorF, 0);
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kIconWriteTransColorF), code);
    }
    for (std::uint32_t other : {0x40000007u, 0xFFFFFFu, 0x40000000u}) {
        store.setInt(kIconWriteTransColorF, static_cast<std::int32_t>(other));
        open();
        EXPECT_EQ(checkedRadios(), std::vector<int>{ids::kTransparentChosen});
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kIconWriteTransColorF), 0u);
    }
}

TEST_F(OptionsDialogTest, SavingTestsTheRadioButtonsInTheirFixedOrder) {
    const struct {
        std::vector<int> checked;
        std::uint32_t code;
    } cases[] = {
        {{ids::kTransparentBottomLeft, ids::kTransparentBottomRight}, 0x4000000A},
        {{ids::kTransparentBorder, ids::kTransparentBottomLeft}, 0x40000009},
        {{ids::kTransparentTopRight, ids::kTransparentTopLeft}, 0x40000005},
        {{ids::kTransparentBorder, ids::kTransparentChosen}, 0x40000010},
    };
    for (const auto& c : cases) {
        open();
        for (int id : kRuleRadioIds) icon->setChecked(id, false);
        for (int id : c.checked) icon->setChecked(id, true);
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kIconWriteTransColorF), c.code);
    }
}

TEST_F(OptionsDialogTest, RestartIntervalTextAndFlag) {
    store.setInt(kJpegWriteDriFlag, 1);
    open();
    EXPECT_TRUE(write->isChecked(ids::kRestartCheck));
    EXPECT_TRUE(write->isEnabled(ids::kRestartInterval));
    EXPECT_FALSE(write->isEnabled(ids::kRestartCheck));

    const struct {
        const char* text;
        bool checked;
        std::uint32_t interval;
        std::uint32_t flag;
    } cases[] = {
        {"", true, 0, 0},          {"100", true, 100, 1},     {"100", false, 100, 0},
        {"12ab", true, 12, 1},     {"abc", true, 0, 0},       {"1234567", true, 123456, 1},
        {"  0042", true, 42, 1},   {"0", true, 0, 0},
    };
    for (const auto& c : cases) {
        write->setText(ids::kRestartInterval, c.text);
        write->setChecked(ids::kRestartCheck, c.checked);
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kJpegWriteDri), c.interval) << c.text;
        EXPECT_EQ(store.getInt(kJpegWriteDriFlag), c.flag) << c.text;
    }
}

TEST_F(OptionsDialogTest, RestartCheckBoxEnablesTheIntervalButIsNeverEnabled) {
    open();
    write->setChecked(ids::kRestartCheck, true);
    dialog->pageCommand(*write, ids::kRestartCheck);
    EXPECT_TRUE(write->isEnabled(ids::kRestartInterval));
    write->setChecked(ids::kRestartCheck, false);
    dialog->pageCommand(*write, ids::kRestartCheck);
    EXPECT_FALSE(write->isEnabled(ids::kRestartInterval));
    for (int id : {ids::kTransparentCheck, ids::kChooseColour, 4242}) {
        dialog->pageCommand(*icon, id);
    }
    EXPECT_FALSE(write->isEnabled(ids::kRestartCheck));
}

TEST_F(OptionsDialogTest, StoredIndexesOutsideTheListsShowNothingAndSaveMinusOne) {
    store.setInt(kJpegReadDctColor, 1);
    store.setInt(kJpegReadLlColor, 7);
    store.setInt(kJpegWriteDctSf, 3);
    store.setInt(kJpegWriteLlSf, -1);
    open();
    EXPECT_EQ(selectedText(*read, ids::kReadDctColour), "RGB 形式");
    EXPECT_EQ(selectedText(*read, ids::kReadLosslessColour), "YCbCr 形式");
    EXPECT_EQ(write->selection(ids::kWriteDctSampling), -1);
    EXPECT_EQ(write->selection(ids::kWriteLosslessSampling), -1);
    dialog->command(OptionsDialog::kOk);
    EXPECT_EQ(store.getInt(kJpegReadDctColor), 1u);
    EXPECT_EQ(store.getInt(kJpegReadLlColor), 0u);
    EXPECT_EQ(store.getInt(kJpegWriteDctSf), 0xFFFFFFFFu);
    EXPECT_EQ(store.getInt(kJpegWriteLlSf), 0xFFFFFFFFu);

    store.setInt(kJpegWriteDctSf, 2);
    open();
    EXPECT_EQ(selectedText(*write, ids::kWriteDctSampling), "4:1:1 低品質");
}

TEST_F(OptionsDialogTest, ShortColorTableFillsTheRestWithGreys) {
    for (std::size_t length : {0u, 3u, 10u, 64u, 100u}) {
        Bytes table(length);
        for (std::size_t i = 0; i < length; ++i) table[i] = static_cast<std::uint8_t>(0x80 + i);
        store.setBinary(kCommonColorTable, table.data(), table.size());
        open();
        const CustomColours& colours = dialog->customColours();
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint32_t expected =
                4 * i + 4 <= length ? loadLe32(table.data() + 4 * i)
                                   : static_cast<std::uint32_t>(0x111111 * i);
            EXPECT_EQ(colours[i], expected) << length << " " << i;
        }
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getLength(kCommonColorTable), 64);
    }
}

TEST_F(OptionsDialogTest, ColourTextUsesRedGreenBlueBytes) {
    store.setInt(kIconWriteTransColor, 0x000A0B0C);
    open();
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(0c, 0b, 0a)");
    EXPECT_EQ(colourText(0xFF000001), "(01, 00, 00)");
}

TEST_F(OptionsDialogTest, OneTabPageIsShownAtATime) {
    open();
    auto shown = [this] {
        std::vector<bool> pages;
        for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
            pages.push_back(dialog->isPageShown(i));
        }
        return pages;
    };
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, false}));
    dialog->selectTab(2);
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, true}));
    dialog->selectTab(1);
    EXPECT_EQ(shown(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(dialog->command(1004), std::nullopt);
}

TEST(OptionPageTableTest, PagesInTabOrder) {
    ASSERT_EQ(OptionPageTable.size(), 3u);
    const int identifiers[] = {1, 2, 4};
    const int resources[] = {115, 116, 117};
    const char* labels[] = {"Jpeg読み取り", "Jpeg書き込み", "Icon書き込み"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(OptionPageTable[i].identifier, identifiers[i]);
        EXPECT_EQ(OptionPageTable[i].resource, resources[i]);
        EXPECT_STREQ(OptionPageTable[i].label, labels[i]);
        EXPECT_FALSE(makeOptionsPage(resources[i]).empty());
    }
    EXPECT_TRUE(makeOptionsPage(114).empty());
}

}  // namespace
}  // namespace pictrano
