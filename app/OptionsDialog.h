#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/DialogControls.h"
#include "app/OptionPages.h"
#include "app/OptionStore.h"

namespace pictrano {

// The logic of the options dialog over its three pages, each a DialogControls of its own (the
// pages are separate child dialogs whose ids overlap). It reads the store when initialised and
// writes it only on OK.
class OptionsDialog {
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // Shows the colour chooser starting at `initial` with the custom colours, which it may change;
    // gives the chosen colour when the user confirms, nothing when the user cancels.
    using ColourChooser =
        std::function<std::optional<std::uint32_t>(std::uint32_t initial, CustomColours& custom)>;

    // `pages` holds one page per OptionPageTable row, in table order. Without a chooser, choosing
    // a colour counts as cancelled.
    OptionsDialog(OptionStore& store, const std::array<DialogControls*, 3>& pages,
                  ColourChooser chooser = {});

    // Fills every page from the store, in table order, and shows the first page.
    void initialise();

    // The tab control's selection changed: only the page at that position is shown.
    void selectTab(int index);
    bool isPageShown(std::size_t index) const { return static_cast<int>(index) == shownPage_; }

    // A command of a page's control: 1020, 1022 and 1031 act, any other does nothing.
    void pageCommand(DialogControls& page, int id);
    // The chooser confirmed `colour` on `page` (117).
    void colourChosen(DialogControls& page, std::uint32_t colour);

    // A command of the dialog: 1 (OK) saves every page in table order and ends the dialog with 1;
    // 2 (Cancel) ends it with 0 and saves nothing. Other commands give nothing.
    std::optional<int> command(int id);

    std::uint32_t transparentColour() const { return state_.transparentColour; }
    const CustomColours& customColours() const { return state_.customColours; }

private:
    OptionStore& store_;
    std::array<DialogControls*, 3> pages_;
    ColourChooser chooser_;
    OptionsDialogState state_;
    int shownPage_ = -1;
};

}  // namespace pictrano
