#include "app/OptionsDialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/ControlDeclarations.h"
#include "app/MemoryDialog.h"
#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Ids = std::vector<int>;
using Texts = std::vector<std::string>;

constexpr int kRuleRadioIds[] = {ids::kTransparentChosen,      ids::kTransparentTopLeft,
                                 ids::kTransparentTopRight,    ids::kTransparentBottomLeft,
                                 ids::kTransparentBottomRight, ids::kTransparentBorder};

std::vector<std::pair<std::string, Bytes>> snapshot(const OptionStore& store) {
    std::vector<std::pair<std::string, Bytes>> values;
    for (const std::string& key : store.keys()) values.emplace_back(key, store.find(key)->data);
    return values;
}

// The three pages as in-memory dialogs and the dialog logic over them, opened on `store`.
class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest() { store.setDefaults(); }

    // Opens the dialog on new pages. The chooser answers `chooserAnswer` and keeps the colour it
    // starts from as the first custom colour.
    void open() {
        read = std::make_unique<MemoryDialog>(optionsPageControls(kJpegReadPage));
        write = std::make_unique<MemoryDialog>(optionsPageControls(kJpegWritePage));
        icon = std::make_unique<MemoryDialog>(optionsPageControls(kIconWritePage));
        dialog = std::make_unique<OptionsDialog>(
            store, std::array<DialogControls*, 3>{read.get(), write.get(), icon.get()},
            [this](std::uint32_t initial, CustomColours& custom) {
                custom[0] = initial;
                return chooserAnswer;
            });
        dialog->initialise();
    }

    // The selected items of the four lists.
    Texts selections() const {
        return {item(*read, ids::kReadDctColour), item(*read, ids::kReadLosslessColour),
                item(*write, ids::kWriteDctSampling), item(*write, ids::kWriteLosslessSampling)};
    }
    static std::string item(const MemoryDialog& page, int id) {
        return page.selection(id) < 0 ? "<none>" : page.itemText(id, page.selection(id));
    }

    // The rule radio buttons that are checked, or enabled.
    Ids radiosWhere(bool (MemoryDialog::*state)(int) const) const {
        Ids found;
        for (int id : kRuleRadioIds) {
            if ((*icon.*state)(id)) found.push_back(id);
        }
        return found;
    }

    OptionStore store;
    std::unique_ptr<MemoryDialog> read, write, icon;
    std::unique_ptr<OptionsDialog> dialog;
    std::optional<std::uint32_t> chooserAnswer;
};

// The defaults on the first page shown; one page is shown at a time, and the check boxes enable
// their controls.
TEST_F(OptionsDialogTest, OpeningShowsTheDefaultsAndTheControlsFollowTheUser) {
    open();
    EXPECT_EQ(selections(), (Texts{"YCbCr 形式", "YCbCr 形式", "2:1:1 中品質", "1:1:1 高品質"}));
    EXPECT_FALSE(write->isChecked(ids::kRestartCheck) || write->isEnabled(ids::kRestartCheck));
    EXPECT_EQ(write->text(ids::kRestartInterval), "64");
    EXPECT_FALSE(icon->isChecked(ids::kTransparentCheck));
    EXPECT_EQ(radiosWhere(&MemoryDialog::isChecked), Ids{ids::kTransparentChosen});
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(ff, ff, ff)");
    for (int tab : {0, 2, 1}) {
        if (tab != 0) dialog->selectTab(tab);  // 0: as opened
        for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog->isPageShown(i), i == tab) << tab << i;
    }
    for (bool checked : {false, true, false}) {
        EXPECT_EQ(radiosWhere(&MemoryDialog::isEnabled).size(), checked ? 6u : 0u);
        EXPECT_EQ(write->isEnabled(ids::kRestartInterval), checked);
        icon->setChecked(ids::kTransparentCheck, !checked);
        write->setChecked(ids::kRestartCheck, !checked);
        dialog->pageCommand(*icon, ids::kTransparentCheck);
        dialog->pageCommand(*write, ids::kRestartCheck);
    }
}

// OK without changes writes back every value, and the custom colours: those of the stored table
// (none at first) filled up with the greys 0x000000, 0x111111, ..., 0xFFFFFF.
TEST_F(OptionsDialogTest, OkWithoutChangesWritesBackTheSameValuesAndTheFilledUpColours) {
    for (std::size_t length : {0u, 3u, 10u, 64u, 100u}) {  // 0: no table stored
        Bytes table(length);
        for (std::size_t i = 0; i < length; ++i) table[i] = static_cast<std::uint8_t>(0x80 + i);
        if (length > 0) store.setBinary(kCommonColorTable, table.data(), table.size());
        auto expected = snapshot(store);
        if (length == 0) expected.emplace_back(kCommonColorTable, Bytes{});
        Bytes& saved = expected.back().second = Bytes(65);  // with the store's extra zero
        for (std::uint32_t i = 0; i < 16; ++i) {
            storeLe32(&saved[4 * i], 4 * i + 4 <= length ? loadLe32(&table[4 * i]) : 0x111111 * i);
        }
        open();
        ASSERT_EQ(dialog->command(OptionsDialog::kOk), 1);
        EXPECT_EQ(snapshot(store), expected) << length;
    }
}

TEST_F(OptionsDialogTest, ChosenColourTakesOverTheRuleAndOnlyOkKeepsIt) {
    store.setInt(kIconWriteTransColor, 0x00102030);
    store.setInt(kIconWriteTransColorF, 0x40000010);
    open();
    const auto before = snapshot(store);
    chooserAnswer = 0x00336699;
    dialog->pageCommand(*icon, ids::kChooseColour);
    EXPECT_EQ(icon->text(ids::kTransparentColourText), "(99, 66, 33)");
    EXPECT_TRUE(icon->isChecked(ids::kTransparentCheck));
    EXPECT_EQ(radiosWhere(&MemoryDialog::isChecked), Ids{ids::kTransparentChosen});
    EXPECT_EQ(radiosWhere(&MemoryDialog::isEnabled).size(), 6u);
    EXPECT_EQ(dialog->command(OptionsDialog::kCancel), 0);
    EXPECT_EQ(snapshot(store), before);

    open();
    dialog->pageCommand(*icon, ids::kChooseColour);
    dialog->command(OptionsDialog::kOk);
    EXPECT_EQ(store.getInt(kIconWriteTransColor), 0x00336699u);
    EXPECT_EQ(store.getInt(kIconWriteTrans), 1u);
    EXPECT_EQ(store.getInt(kIconWriteTransColorF), 0u);
    EXPECT_EQ(loadCustomColours(store)[0], 0x00102030u);  // the chooser started from the stored one
}

// Each rule code checks its radio button and is saved back; any other code means the chosen
// colour, saved as 0.
TEST_F(OptionsDialogTest, RuleCodesAndRadioButtonsMatchBothWays) {
    const std::pair<std::uint32_t, int> rules[] = {
        {0x40000005, ids::kTransparentTopLeft},    {0x40000006, ids::kTransparentTopRight},
        {0x40000009, ids::kTransparentBottomLeft}, {0x4000000A, ids::kTransparentBottomRight},
        {0x40000010, ids::kTransparentBorder},     {0, ids::kTransparentChosen},
        {0x40000007, ids::kTransparentChosen},     {0xFFFFFF, ids::kTransparentChosen}};
    for (auto [code, radio] : rules) {
        store.setInt(kIconWriteTransColorF, static_cast<std::int32_t>(code));
        open();
        EXPECT_EQ(radiosWhere(&MemoryDialog::isChecked), Ids{radio}) << code;
        store.setInt(kIconWriteTransColorF, 1);
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kIconWriteTransColorF), radio == ids::kTransparentChosen ? 0 : code);
    }
}

// Stored list indexes outside the lists select nothing and save -1; the restart interval is saved
// from its first six digits, its flag only when it is not 0 and the box is checked.
TEST_F(OptionsDialogTest, JpegPagesSaveWhatTheyShow) {
    const struct { const char* key; std::int32_t stored; std::uint32_t saved; } lists[] = {
        {kJpegReadDctColor, 1, 1}, {kJpegReadLlColor, 7, 0}, {kJpegWriteDctSf, 2, 2},
        {kJpegWriteLlSf, 1, 0xFFFFFFFF}, {kJpegWriteDriFlag, 1, 1}};
    for (const auto& list : lists) store.setInt(list.key, list.stored);
    open();
    EXPECT_EQ(selections(), (Texts{"RGB 形式", "YCbCr 形式", "4:1:1 低品質", "<none>"}));
    EXPECT_TRUE(write->isChecked(ids::kRestartCheck) && write->isEnabled(ids::kRestartInterval));
    dialog->command(OptionsDialog::kOk);
    for (const auto& list : lists) EXPECT_EQ(store.getInt(list.key), list.saved) << list.key;

    const struct { const char* text; bool checked; std::uint32_t interval, flag; } cases[] = {
        {"", true, 0, 0}, {"0", true, 0, 0}, {"100", false, 100, 0}, {"1234567", true, 123456, 1}};
    for (const auto& c : cases) {
        write->setText(ids::kRestartInterval, c.text);
        write->setChecked(ids::kRestartCheck, c.checked);
        dialog->command(OptionsDialog::kOk);
        EXPECT_EQ(store.getInt(kJpegWriteDri), c.interval) << c.text;
        EXPECT_EQ(store.getInt(kJpegWriteDriFlag), c.flag) << c.text;
    }
}

}  // namespace
}  // namespace pictrano
