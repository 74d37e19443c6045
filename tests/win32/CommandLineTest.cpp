// The Windows parts of the command-line tool: wildcard expansion and what the file dialog hands
// back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/CommonDialogs.h"
#include "app/win32/WideText.h"
#include "app/win32/Wildcards.h"
#include "platform/WholeFile.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Strings = std::vector<std::string>;

TEST(Wildcards, ExpandOnlyTheLastComponentIntoFiles) {
    test::TempDir dir;
    const std::string folder = narrow(dir.path().wstring());
    for (const char* name : {"b.jpg", "A.JPG", "写真.jpg", "c.png", "d.jpgx"}) {
        test::writeBytes(dir.path() / pathFromUtf8(name), {1});
    }
    std::filesystem::create_directory(dir.path() / "folder.jpg");
    const std::string slash = folder + "/";
    const std::string back = folder + "\\";
    const struct {
        Strings arguments;
        Strings expanded;
    } cases[] = {
        {{back + "*.jpg"}, {back + "A.JPG", back + "b.jpg", back + "写真.jpg"}},
        {{slash + "?.jpg", "plain.bmp"}, {slash + "A.JPG", slash + "b.jpg", "plain.bmp"}},
        {{back + "*.gif"}, {back + "*.gif"}},  // nothing matches: kept for the job to report
        {{back + "c.png"}, {back + "c.png"}},
        {{back + "写*"}, {back + "写真.jpg"}},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(expandWildcards(row.arguments), row.expanded) << row.arguments.front();
    }

    // A pattern without a folder part matches in the current folder and stays relative.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(expandWildcards({"*.png"}), Strings{"c.png"});
    std::filesystem::current_path(previous);
}

TEST(FileDialogResult, SplitsTheStringsOfTheBuffer) {
    const wchar_t one[] = L"C:\\写真\\a.bmp\0\0";
    EXPECT_EQ(splitFileDialogResult(one, std::size(one)), Strings{"C:\\写真\\a.bmp"});
    const wchar_t several[] = L"C:\\写真\0a.bmp\0b.png\0\0";
    EXPECT_EQ(splitFileDialogResult(several, std::size(several)),
              (Strings{"C:\\写真", "a.bmp", "b.png"}));
    const wchar_t empty[] = L"\0";
    EXPECT_EQ(splitFileDialogResult(empty, std::size(empty)), Strings{});
    const wchar_t unterminated[] = {L'a', L'b'};
    EXPECT_EQ(splitFileDialogResult(unterminated, 2), Strings{"ab"});
}

}  // namespace
}  // namespace pictrano
