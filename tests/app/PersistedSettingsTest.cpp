#include "app/PersistedSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "app/ControlIds.h"
#include "app/MemoryDialog.h"
#include "platform/FileBackend.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;
// Every key of a store with its data, for comparing whole stores.
using Snapshot = std::vector<std::pair<std::string, Bytes>>;
// The store and the window's left, top and output directory after loading.
using Loaded = std::tuple<Snapshot, int, int, std::string>;

OptionStore defaultStore() {
    OptionStore store;
    store.setDefaults();
    return store;
}

Snapshot snapshot(const OptionStore& store) {
    Snapshot values;
    for (const std::string& key : store.keys()) values.emplace_back(key, store.find(key)->data);
    return values;
}

// What loading nothing leaves: the defaults, and the window at (1, 2) showing `dir`.
Loaded untouched(const std::string& dir = "") { return {snapshot(defaultStore()), 1, 2, dir}; }

// Settings that run out of memory reading a string or binary value, or writing a DWORD.
struct ExhaustedBackend : FileBackend {
    using FileBackend::FileBackend;
    std::optional<std::string> readString(std::string_view) const override {
        throw std::bad_alloc();
    }
    std::optional<Bytes> readBinary(std::string_view) const override { throw std::bad_alloc(); }
    void writeDword(std::string_view, std::uint32_t) override { throw std::bad_alloc(); }
};

class PersistedSettingsTest : public ::testing::Test {
protected:
    void writeFile(std::string_view s) const { test::writeBytes(file_, {s.begin(), s.end()}); }

    // Loads the file over a default store and a window at (1, 2) showing `outDir`.
    Loaded load(const std::string& outDir = "") const {
        OptionStore store = defaultStore();
        MemoryDialog window({{ids::kOutputDirectory, outDir}});
        window.moveWindow(1, 2);
        FileBackend settings(file_);
        EXPECT_EQ(loadOptions(settings, store), 1);
        EXPECT_EQ(loadWindowSettings(settings, window), 1);
        Loaded loaded{snapshot(store), 0, 0, window.text(ids::kOutputDirectory)};
        window.windowPosition(std::get<1>(loaded), std::get<2>(loaded));
        return loaded;
    }

    void save(const OptionStore& store, int left, int top, const std::string& outDir) const {
        MemoryDialog window({{ids::kOutputDirectory, outDir}});
        window.moveWindow(left, top);
        FileBackend settings(file_);
        EXPECT_EQ(saveOptions(settings, store), 1);
        EXPECT_EQ(saveWindowSettings(settings, window), 1);
    }

    test::TempDir dir_;
    const std::filesystem::path file_ = dir_ / "Pictrano.ini";
    // 259 UTF-16 units in 265 bytes: the longest output directory that fits its room.
    const std::string longestOutDir = "/出力=先" + std::string(254, 'd');
};

TEST_F(PersistedSettingsTest, FirstRunKeepsDefaultsAndWindowThenSavesAllButAnAbsentColorTable) {
    EXPECT_EQ(load(), untouched());
    save(defaultStore(), 33, 44, "");
    const Bytes text = test::readBytes(file_);
    EXPECT_EQ(parseSettingsText(std::string(text.begin(), text.end())),
              (std::vector<SettingsEntry>{
                  {"JpegReadDCTColor", 0u}, {"JpegReadLLColor", 0u}, {"JpegWriteDCTSF", 1u},
                  {"JpegWriteLLSF", 0u}, {"JpegDRIOn", 0u}, {"JpegDRI", 64u},
                  {"IconTransColor", 0xFFFFFFu}, {"IconTransColorF", 0u}, {"IconTrans", 0u},
                  {"Left", 33u}, {"Top", 44u}, {"OutDir", ""}}));
}

TEST_F(PersistedSettingsTest, EveryValueRoundTripsThroughTheFile) {
    OptionStore saved = defaultStore();
    std::int32_t value = -2000000000;
    for (const std::string& key : saved.keys()) saved.setInt(key, value += 1000003);
    saved.setBinary(kCommonColorTable, "\x01\x80\xff\x00\x7f colours", 13);
    save(saved, -1200, 15, longestOutDir);
    EXPECT_EQ(load(), Loaded(snapshot(saved), -1200, 15, longestOutDir));
}

// A stored table of up to 1,024 bytes is taken whole, a longer one ignored; saving a store
// without a table leaves the stored one alone.
TEST_F(PersistedSettingsTest, ColorTableOfAnyLengthUpToItsRoomIsTakenWhole) {
    for (std::size_t length : {0u, 3u, 10u, 64u, 100u, 1024u, 1025u}) {
        Bytes table(length);
        for (std::size_t i = 0; i < length; ++i) table[i] = static_cast<std::uint8_t>(i + 1);
        writeFile(formatSettingsText({{"ColorTable", table}}));
        Loaded expected = untouched();
        table.push_back(0);  // the store keeps a zero byte after the data
        if (length <= 1024) std::get<0>(expected).emplace_back(kCommonColorTable, table);
        EXPECT_EQ(load(), expected) << length;
    }
    save(defaultStore(), 0, 0, "");
    FileBackend reader(file_);
    EXPECT_TRUE(reader.open() && reader.readBinary("ColorTable").value_or(Bytes{}).size() == 1025);
}

// Nothing of a damaged file, nor an output directory too long for its room (never cut short) or
// holding a NUL, nor Left without Top, reaches the store or the window.
TEST_F(PersistedSettingsTest, CorruptValuesKeepDefaultsAndWindow) {
    for (const std::string& text : std::vector<std::string>{
             formatSettingsText({{"OutDir", longestOutDir + "d"}}),
             "Left=dword:00000064\n", "Top=dword:00000064\n", "Left=dword:00000064\nTop=sz:100\n",
             "JpegDRI=sz:100\nJpegReadDCTColor=hex:01,00,00\nColorTable=sz:1\n"
             "OutDir=hex:2f,61\nLeft=sz:1\nTop=dword:1\n",
             "JpegDRI=dword:1x\nJpegDRIOn=dword:\nIconTrans=dword:00000001ff\n",
             std::string("JpegDRI\0=dword:1\nOutDir=sz:/a\\x00/b\nColorTable=hex:0", 52)}) {
        writeFile(text);
        EXPECT_EQ(load("/kept"), untouched("/kept")) << testing::PrintToString(text);
    }
}

// A value stored with another type than its row's is read where its bytes say one thing: a
// binary value of 4 bytes or more as a DWORD by its first 4 (Left and Top take exactly 4), a DWORD
// as 4 binary bytes. Shorter values and strings keep the defaults.
TEST_F(PersistedSettingsTest, ValuesAreReadWhateverTheirStoredTypeWhereTheirBytesAreClear) {
    struct Case {
        std::string text;
        std::function<void(OptionStore&)> change;
        int left = 1, top = 2;
    };
    const Case cases[] = {
        {"JpegReadDCTColor=hex:01,00,00,00\nJpegDRI=hex:10,00,00,00,ff,ff\n",
         [](OptionStore& o) {
             o.setInt(kJpegReadDctColor, 1);
             o.setInt(kJpegWriteDri, 16);
         }},
        {"ColorTable=dword:04030201\n",
         [](OptionStore& o) { o.setBinary(kCommonColorTable, "\x01\x02\x03\x04", 4); }},
        {"Left=hex:0a,00,00,00\nTop=dword:00000014\n", {}, 10, 20},
        {"Left=hex:0a,00,00,00,00\nTop=dword:00000014\nJpegDRI=hex:10,00,00\n", {}},
        {"Left=dword:0000000a\nTop=sz:20\nIconTrans=sz:1\nOutDir=hex:2f,61\n", {}}};
    for (const Case& c : cases) {
        writeFile(c.text);
        OptionStore expected = defaultStore();
        if (c.change) c.change(expected);
        EXPECT_EQ(load(), Loaded(snapshot(expected), c.left, c.top, "")) << c.text;
    }
    // A binary value beyond the room of a read is not read at all.
    writeFile(formatSettingsText({{"JpegDRI", Bytes(1025, 1)}}));
    EXPECT_EQ(load(), untouched());
}

// Settings that cannot be opened, and settings that run out of memory: every procedure gives 0,
// and only the window procedures on the exhausted settings report it.
TEST_F(PersistedSettingsTest, FailuresGiveZeroAndOnlyTheWindowProceduresReportMemory) {
    FileBackend unopenable{std::filesystem::path()};  // no file to open
    ExhaustedBackend exhausted(dir_ / "other.ini");
    OptionStore store = defaultStore();
    MemoryDialog window({{ids::kOutputDirectory, ""}});
    for (FileBackend* settings : {&unopenable, static_cast<FileBackend*>(&exhausted)}) {
        EXPECT_EQ(loadOptions(*settings, store) + saveOptions(*settings, store), 0);
        EXPECT_EQ(loadWindowSettings(*settings, window) + saveWindowSettings(*settings, window), 0);
    }
    const auto boxes = window.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text + boxes[1].text, "メモリが不足しています。メモリが不足しています。");
    EXPECT_TRUE(boxes[0].icon == DialogControls::Icon::Error && boxes[1].icon == boxes[0].icon);
}

}  // namespace
}  // namespace pictrano
