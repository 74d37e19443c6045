#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/DialogControls.h"
#include "app/OptionStore.h"

namespace pictrano {

// The colour chooser's 16 custom colours, each 0x00BBGGRR.
using CustomColours = std::array<std::uint32_t, 16>;

// What the options dialog keeps while it is open, besides its pages: the current transparent
// colour (0x00BBGGRR) and the chooser's custom colours. Reloaded from the store on every opening.
struct OptionsDialogState {
    std::uint32_t transparentColour = 0;
    CustomColours customColours{};
};

// One page of the options dialog: its identifier, dialog resource, tab label and the procedures
// that fill its controls from the store and write them back.
struct OptionPage {
    int identifier;
    int resource;
    const char* label;
    void (*initialise)(DialogControls& page, const OptionStore& store, OptionsDialogState& state);
    void (*save)(DialogControls& page, OptionStore& store, const OptionsDialogState& state);
};

inline constexpr int kJpegReadPage = 115;
inline constexpr int kJpegWritePage = 116;
inline constexpr int kIconWritePage = 117;

// The pages in tab order.
extern const std::array<OptionPage, 3> OptionPageTable;

// "(rr, gg, bb)" in lower-case hex from a 0x00BBGGRR colour.
std::string colourText(std::uint32_t colour);

// The custom colours from "Common.ColorTable": every whole 4-byte colour it holds (at most 16);
// the rest, or all 16 when it is absent, are the greys 0x000000, 0x111111, ..., 0xFFFFFF.
CustomColours loadCustomColours(const OptionStore& store);

// Checks one of the six transparency radio buttons and unchecks the other five.
void checkTransparencyRadio(DialogControls& page, int radio);

// Enables the six transparency rule radio buttons of page 117 exactly when 1022 is checked.
void enableTransparencyRules(DialogControls& page);

}  // namespace pictrano
