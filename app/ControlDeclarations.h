#pragma once

#include <string>
#include <vector>

namespace pictrano {

// One control of a dialog as its resource creates it: id, caption (empty for lists and edit
// boxes) and whether it starts enabled. The Win32 dialogs come from resources with these ids and
// texts; MemoryDialog builds its controls from the same lists.
struct ControlDeclaration {
    int id;
    std::string text;
    bool enabled = true;
};

// Texts that the window logic and the conversion job put on controls at run time.
inline constexpr char kCloseText[] = "閉じる";
inline constexpr char kCancelText[] = "ｷｬﾝｾﾙ";
inline constexpr char kQualityLabel[] = "圧縮度(&D)";
inline constexpr char kPredictorLabel[] = "予測器(&D)";

// The controls of the main window (dialog 110).
std::vector<ControlDeclaration> mainWindowControls();

// The controls of options page `resource` (115, 116 or 117): ids, button captions and enabled
// states. Lists and edit boxes start empty. Unknown pages: none.
std::vector<ControlDeclaration> optionsPageControls(int resource);

}  // namespace pictrano
