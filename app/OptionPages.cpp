#include "app/OptionPages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/ControlIds.h"
#include "app/DecimalText.h"
#include "imagelib/front/SaveParams.h"
#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

constexpr std::array<const char*, 2> kColourConversionNames{"YCbCr 形式", "RGB 形式"};
constexpr std::array<const char*, 3> kDctSamplingNames{"1:1:1 高品質", "2:1:1 中品質",
                                                       "4:1:1 低品質"};
constexpr std::array<const char*, 1> kLosslessSamplingNames{"1:1:1 高品質"};

// The interval box is read only this far.
constexpr std::size_t kIntervalDigits = 6;

// The radio buttons of the transparency rules in the order they are tested when saving.
struct RuleRadio {
    int id;
    std::int32_t rule;
};
constexpr std::array<RuleRadio, 5> kRuleRadios{{
    {ids::kTransparentTopLeft, kTransparentTopLeft},
    {ids::kTransparentTopRight, kTransparentTopRight},
    {ids::kTransparentBottomRight, kTransparentBottomRight},
    {ids::kTransparentBottomLeft, kTransparentBottomLeft},
    {ids::kTransparentBorder, kTransparentBorder},
}};

constexpr std::array<int, 6> kAllRuleRadios{
    ids::kTransparentChosen,     ids::kTransparentTopLeft,    ids::kTransparentTopRight,
    ids::kTransparentBottomLeft, ids::kTransparentBottomRight, ids::kTransparentBorder};

// Selects the stored index; a value outside the list leaves it without a selection.
void selectStoredIndex(DialogControls& page, int id, std::uint32_t value) {
    const auto count = static_cast<std::uint32_t>(page.itemCount(id));
    page.setSelection(id, value < count ? static_cast<int>(value) : -1);
}

void initialiseJpegReadPage(DialogControls& page, const OptionStore& store, OptionsDialogState&) {
    fillList(page, ids::kReadDctColour, kColourConversionNames);
    page.setSelection(ids::kReadDctColour, store.getInt(kJpegReadDctColor) == 1 ? 1 : 0);
    fillList(page, ids::kReadLosslessColour, kColourConversionNames);
    page.setSelection(ids::kReadLosslessColour, store.getInt(kJpegReadLlColor) == 1 ? 1 : 0);
}

void saveJpegReadPage(DialogControls& page, OptionStore& store, const OptionsDialogState&) {
    store.setInt(kJpegReadDctColor, page.selection(ids::kReadDctColour));
    store.setInt(kJpegReadLlColor, page.selection(ids::kReadLosslessColour));
}

void initialiseJpegWritePage(DialogControls& page, const OptionStore& store,
                             OptionsDialogState&) {
    fillList(page, ids::kWriteDctSampling, kDctSamplingNames);
    selectStoredIndex(page, ids::kWriteDctSampling, store.getInt(kJpegWriteDctSf));
    fillList(page, ids::kWriteLosslessSampling, kLosslessSamplingNames);
    selectStoredIndex(page, ids::kWriteLosslessSampling, store.getInt(kJpegWriteLlSf));
    page.setText(ids::kRestartInterval, std::to_string(store.getInt(kJpegWriteDri)));
    page.setChecked(ids::kRestartCheck, store.getInt(kJpegWriteDriFlag) != 0);
    page.setEnabled(ids::kRestartInterval, page.isChecked(ids::kRestartCheck));
}

void saveJpegWritePage(DialogControls& page, OptionStore& store, const OptionsDialogState&) {
    store.setInt(kJpegWriteDctSf, page.selection(ids::kWriteDctSampling));
    store.setInt(kJpegWriteLlSf, page.selection(ids::kWriteLosslessSampling));
    const std::string interval = page.text(ids::kRestartInterval).substr(0, kIntervalDigits);
    const std::uint32_t restartInterval = parseUnsignedDecimal(interval);
    store.setInt(kJpegWriteDri, static_cast<std::int32_t>(restartInterval));
    store.setInt(kJpegWriteDriFlag,
                 restartInterval != 0 && page.isChecked(ids::kRestartCheck) ? 1 : 0);
}

int radioForRule(std::uint32_t rule) {
    for (const RuleRadio& radio : kRuleRadios) {
        if (static_cast<std::uint32_t>(radio.rule) == rule) return radio.id;
    }
    return ids::kTransparentChosen;
}

std::int32_t ruleFromRadios(const DialogControls& page) {
    for (const RuleRadio& radio : kRuleRadios) {
        if (page.isChecked(radio.id)) return radio.rule;
    }
    return 0;
}

void initialiseIconWritePage(DialogControls& page, const OptionStore& store,
                             OptionsDialogState& state) {
    const std::uint32_t rule = store.getInt(kIconWriteTransColorF);
    const std::uint32_t colour = store.getInt(kIconWriteTransColor);
    state.customColours = loadCustomColours(store);
    page.setText(ids::kTransparentColourText, colourText(colour));
    checkTransparencyRadio(page, radioForRule(rule));
    page.setChecked(ids::kTransparentCheck, store.getInt(kIconWriteTrans) != 0);
    enableTransparencyRules(page);
    state.transparentColour = colour;
}

void saveIconWritePage(DialogControls& page, OptionStore& store,
                       const OptionsDialogState& state) {
    store.setInt(kIconWriteTrans, page.isChecked(ids::kTransparentCheck) ? 1 : 0);
    store.setInt(kIconWriteTransColor, static_cast<std::int32_t>(state.transparentColour));
    store.setInt(kIconWriteTransColorF, ruleFromRadios(page));
    std::uint8_t table[4 * std::tuple_size_v<CustomColours>];
    for (std::size_t i = 0; i < state.customColours.size(); ++i) {
        storeLe32(table + 4 * i, state.customColours[i]);
    }
    store.setBinary(kCommonColorTable, table, sizeof table);
}

}  // namespace

const std::array<OptionPage, 3> OptionPageTable{{
    {1, kJpegReadPage, "Jpeg読み取り", initialiseJpegReadPage, saveJpegReadPage},
    {2, kJpegWritePage, "Jpeg書き込み", initialiseJpegWritePage, saveJpegWritePage},
    {4, kIconWritePage, "Icon書き込み", initialiseIconWritePage, saveIconWritePage},
}};

std::string colourText(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "(%02x, %02x, %02x)", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return text;
}

CustomColours loadCustomColours(const OptionStore& store) {
    CustomColours colours;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        colours[i] = static_cast<std::uint32_t>(0x111111 * i);
    }
    const std::uint8_t* table = store.getData(kCommonColorTable);
    const std::int32_t length = store.getLength(kCommonColorTable);
    if (table == nullptr || length <= 0) return colours;
    const std::size_t whole = std::min<std::size_t>(static_cast<std::size_t>(length) / 4,
                                                    colours.size());
    for (std::size_t i = 0; i < whole; ++i) colours[i] = loadLe32(table + 4 * i);
    return colours;
}

void checkTransparencyRadio(DialogControls& page, int radio) {
    for (int each : kAllRuleRadios) page.setChecked(each, each == radio);
}

void enableTransparencyRules(DialogControls& page) {
    const bool enabled = page.isChecked(ids::kTransparentCheck);
    for (int radio : kAllRuleRadios) page.setEnabled(radio, enabled);
}

}  // namespace pictrano
