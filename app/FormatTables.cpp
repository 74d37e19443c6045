#include "app/FormatTables.h"

namespace pictrano {

DegreeList qualityDegrees() {
    DegreeList list{{}, 79};  // "80:低品質"
    list.lines.reserve(99);
    for (int quality = 1; quality <= 99; ++quality) {
        switch (quality) {
        case 1: list.lines.emplace_back(" 1:最高品質"); break;
        case 20: list.lines.emplace_back("20:高品質"); break;
        case 50: list.lines.emplace_back("50:中品質"); break;
        case 80: list.lines.emplace_back("80:低品質"); break;
        case 99: list.lines.emplace_back("99:最低品質"); break;
        default: list.lines.push_back((quality < 10 ? " " : "") + std::to_string(quality));
        }
    }
    return list;
}

DegreeList predictorDegrees() {
    return {{"1:Ra", "2:Rb", "3:Rc", "4:Ra+Rb-Rc", "5:Ra+(Rb-Rc)/2", "6:Rb+(Ra-Rc)/2",
             "7:(Ra+Rb)/2"},
            0};
}

// Line i is Deflate degree i / 6 + 1 with row filter i % 6; "Avearge" is the list's spelling.
DegreeList deflateDegrees() {
    static constexpr const char* kDegrees[] = {"低圧縮", "中圧縮", "高圧縮"};
    static constexpr const char* kFilters[] = {"(None)", "(Sub)", "(Up)",
                                               "(Avearge)", "(Paeth)", "(Auto)"};
    DegreeList list{{}, 0};
    for (const char* degree : kDegrees) {
        for (const char* filter : kFilters) list.lines.push_back(std::string(degree) + filter);
    }
    return list;
}

}  // namespace pictrano
