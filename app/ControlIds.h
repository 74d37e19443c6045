#pragma once

namespace pictrano {

// Control and command ids of the main window (dialog 110) and the options dialog (114, with the
// pages 115, 116 and 117). The Windows resources use the same numbers.
namespace ids {

// Main window.
inline constexpr int kStart = 1;              // "変換開始"
inline constexpr int kClose = 2;              // "閉じる", "ｷｬﾝｾﾙ" while a job runs
inline constexpr int kSourceList = 1000;
inline constexpr int kAddFiles = 1001;
inline constexpr int kRemoveFiles = 1002;
inline constexpr int kOutputFormat = 1003;
inline constexpr int kMessageList = 1004;
inline constexpr int kColourFormat = 1005;
inline constexpr int kCompression = 1006;
inline constexpr int kMaxSizeCheck = 1007;
inline constexpr int kMaxWidth = 1008;
inline constexpr int kMaxHeight = 1009;
inline constexpr int kDegreeList = 1010;
inline constexpr int kDegreeCheck = 1011;
inline constexpr int kOutputDirectory = 1013;
inline constexpr int kChooseDirectory = 1014;

// Main window menu commands.
inline constexpr int kMenuExit = 40004;
inline constexpr int kMenuAddFiles = 40005;
inline constexpr int kMenuRemoveFiles = 40006;
inline constexpr int kMenuChooseDirectory = 40007;
inline constexpr int kMenuOptions = 40008;
inline constexpr int kMenuVersion = 40009;

// Options dialog and its pages (ids are unique within a page; pages 115 and 116 both use 1018).
inline constexpr int kOptionsTab = 1015;
inline constexpr int kReadDctColour = 1017;    // page 115
inline constexpr int kReadLosslessColour = 1018;  // page 115
inline constexpr int kWriteDctSampling = 1018;    // page 116
inline constexpr int kWriteLosslessSampling = 1019;  // page 116
inline constexpr int kRestartCheck = 1020;
inline constexpr int kRestartInterval = 1021;
inline constexpr int kTransparentCheck = 1022;
inline constexpr int kTransparentChosen = 1024;
inline constexpr int kTransparentTopLeft = 1025;
inline constexpr int kTransparentTopRight = 1026;
inline constexpr int kTransparentColourText = 1027;
inline constexpr int kTransparentBottomLeft = 1028;
inline constexpr int kTransparentBottomRight = 1029;
inline constexpr int kTransparentBorder = 1030;
inline constexpr int kChooseColour = 1031;

}  // namespace ids
}  // namespace pictrano
