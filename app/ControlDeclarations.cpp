#include "app/ControlDeclarations.h"

#include "app/ControlIds.h"
#include "app/OptionPages.h"

namespace pictrano {

std::vector<ControlDeclaration> mainWindowControls() {
    return {
        {ids::kSourceList, ""},
        {ids::kAddFiles, "..."},
        {ids::kRemoveFiles, "×"},
        {ids::kOutputFormat, ""},
        {ids::kColourFormat, ""},
        {ids::kCompression, ""},
        {ids::kDegreeCheck, kQualityLabel},
        {ids::kDegreeList, ""},
        {ids::kMaxSizeCheck, "最大サイズ(&Z):"},
        {ids::kMaxWidth, "", false},
        {ids::kMaxHeight, "", false},
        {ids::kOutputDirectory, ""},
        {ids::kChooseDirectory, "..."},
        {ids::kMessageList, ""},
        {ids::kStart, "変換開始"},
        {ids::kClose, kCloseText},
    };
}

std::vector<ControlDeclaration> optionsPageControls(int resource) {
    switch (resource) {
        case kJpegReadPage:
            return {{ids::kReadDctColour, ""}, {ids::kReadLosslessColour, ""}};
        case kJpegWritePage:
            return {{ids::kWriteDctSampling, ""},
                    {ids::kWriteLosslessSampling, ""},
                    {ids::kRestartCheck, "リスタートマーカーを書き込む(&R)", false},
                    {ids::kRestartInterval, ""}};
        case kIconWritePage:
            return {{ids::kTransparentCheck, "特定の色を透過する(&T)"},
                    {ids::kTransparentChosen, "指定した色(&F)"},
                    {ids::kTransparentTopLeft, "左上隅の色(&L)"},
                    {ids::kTransparentTopRight, "右上隅の色(&R)"},
                    {ids::kTransparentBottomLeft, "左下隅の色(&B)"},
                    {ids::kTransparentBottomRight, "右下隅の色(&T)"},
                    {ids::kTransparentBorder, "周辺でもっとも多い色(&O)"},
                    {ids::kTransparentColourText, ""},
                    {ids::kChooseColour, "..."}};
        default:
            return {};
    }
}

}  // namespace pictrano
