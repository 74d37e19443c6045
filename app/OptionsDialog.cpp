#include "app/OptionsDialog.h"

#include <utility>

#include "app/ControlIds.h"

namespace pictrano {

OptionsDialog::OptionsDialog(OptionStore& store, const std::array<DialogControls*, 3>& pages,
                             ColourChooser chooser)
    : store_(store), pages_(pages), chooser_(std::move(chooser)) {}

void OptionsDialog::initialise() {
    for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
        OptionPageTable[i].initialise(*pages_[i], store_, state_);
    }
    shownPage_ = 0;
}

void OptionsDialog::selectTab(int index) { shownPage_ = index; }

void OptionsDialog::pageCommand(DialogControls& page, int id) {
    switch (id) {
        case ids::kRestartCheck:
            page.setEnabled(ids::kRestartInterval, page.isChecked(ids::kRestartCheck));
            break;
        case ids::kChooseColour: {
            std::optional<std::uint32_t> chosen;
            if (chooser_) chosen = chooser_(state_.transparentColour, state_.customColours);
            if (chosen) {
                colourChosen(page, *chosen);
            } else {
                enableTransparencyRules(page);
            }
            break;
        }
        case ids::kTransparentCheck:
            enableTransparencyRules(page);
            break;
        default:
            break;
    }
}

void OptionsDialog::colourChosen(DialogControls& page, std::uint32_t colour) {
    state_.transparentColour = colour;
    page.setText(ids::kTransparentColourText, colourText(colour));
    page.setChecked(ids::kTransparentCheck, true);
    checkTransparencyRadio(page, ids::kTransparentChosen);
    enableTransparencyRules(page);
}

std::optional<int> OptionsDialog::command(int id) {
    if (id == kOk) {
        for (std::size_t i = 0; i < OptionPageTable.size(); ++i) {
            OptionPageTable[i].save(*pages_[i], store_, state_);
        }
        return 1;
    }
    if (id == kCancel) return 0;
    return std::nullopt;
}

}  // namespace pictrano
