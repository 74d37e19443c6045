#include "app/PersistedSettings.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MemoryDialog.h"
#include "platform/FileBackend.h"
#include "tests/support/TestData.h"

namespace pictrano {
namespace {

using Bytes = std::vector<std::uint8_t>;

MemoryDialog makeWindow() { return MemoryDialog({{ids::kOutputDirectory, ""}}); }

OptionStore defaultStore() {
    OptionStore store;
    store.setDefaults();
    return store;
}

// Every key of the store with its kind and data, for comparing whole stores.
std::vector<std::pair<std::string, Bytes>> snapshot(const OptionStore& store) {
    std::vector<std::pair<std::string, Bytes>> values;
    for (const std::string& key : store.keys()) {
        const OptionValue* entry = store.find(key);
        Bytes data = entry->data;
        data.push_back(static_cast<std::uint8_t>(entry->kind));
        values.emplace_back(key, data);
    }
    return values;
}

class PersistedSettingsTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return dir_ / "Tovami" / "Pictrano.ini"; }
    void writeFile(const std::string& text) {
        std::filesystem::create_directories(file().parent_path());
        test::writeBytes(file(), Bytes(text.begin(), text.end()));
    }
    FileBackend backend() const { return FileBackend(file()); }

    test::TempDir dir_;
};

TEST_F(PersistedSettingsTest, FirstRunKeepsDefaultsAndWindowThenSavesEverythingButColorTable) {
    FileBackend settings = backend();
    OptionStore store = defaultStore();
    const auto defaults = snapshot(store);
    EXPECT_EQ(loadOptions(settings, store), 1);
    EXPECT_EQ(snapshot(store), defaults);

    MemoryDialog window = makeWindow();
    window.moveWindow(33, 44);
    EXPECT_EQ(loadWindowSettings(settings, window), 1);
    int left = 0;
    int top = 0;
    window.windowPosition(left, top);
    EXPECT_EQ(left, 33);
    EXPECT_EQ(top, 44);
    EXPECT_EQ(window.text(ids::kOutputDirectory), "");

    EXPECT_EQ(saveOptions(settings, store), 1);
    EXPECT_EQ(saveWindowSettings(settings, window), 1);
    FileBackend reader = backend();
    ASSERT_TRUE(reader.open());
    for (const OptionRegistryRow& row : OptionRegistryTable) {
        if (row.type == kRegDword) {
            EXPECT_EQ(reader.readDword(row.valueName), store.getInt(row.key)) << row.valueName;
        } else {
            EXPECT_FALSE(reader.readBinary(row.valueName)) << row.valueName;
        }
    }
    EXPECT_EQ(reader.readDword("Left"), 33u);
    EXPECT_EQ(reader.readDword("Top"), 44u);
    EXPECT_EQ(reader.readString("OutDir"), "");
}

TEST_F(PersistedSettingsTest, EveryValueRoundTripsThroughTheFile) {
    OptionStore saved = defaultStore();
    std::int32_t value = -7;
    for (const OptionRegistryRow& row : OptionRegistryTable) {
        if (row.type == kRegDword) saved.setInt(row.key, value += 1000003);
    }
    Bytes table(64);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(255 - i);
    saved.setBinary(kCommonColorTable, table.data(), table.size());
    MemoryDialog window = makeWindow();
    window.moveWindow(-1200, 15);
    window.setText(ids::kOutputDirectory, "/home/ユーザー/出力=先");
    FileBackend settings = backend();
    ASSERT_EQ(saveOptions(settings, saved), 1);
    ASSERT_EQ(saveWindowSettings(settings, window), 1);

    OptionStore loaded = defaultStore();
    MemoryDialog reopened = makeWindow();
    FileBackend again = backend();
    ASSERT_EQ(loadOptions(again, loaded), 1);
    ASSERT_EQ(loadWindowSettings(again, reopened), 1);
    EXPECT_EQ(snapshot(loaded), snapshot(saved));
    int left = 0;
    int top = 0;
    reopened.windowPosition(left, top);
    EXPECT_EQ(left, -1200);
    EXPECT_EQ(top, 15);
    EXPECT_EQ(reopened.text(ids::kOutputDirectory), "/home/ユーザー/出力=先");
}

TEST_F(PersistedSettingsTest, ColorTableOfAnyLengthIsTakenWhole) {
    for (std::size_t length : {0u, 3u, 10u, 64u, 100u, 1024u}) {
        Bytes table(length);
        for (std::size_t i = 0; i < length; ++i) table[i] = static_cast<std::uint8_t>(i + 1);
        FileBackend writer = backend();
        ASSERT_TRUE(writer.open());
        writer.writeBinary("ColorTable", table);
        ASSERT_TRUE(writer.commit());

        OptionStore store = defaultStore();
        FileBackend settings = backend();
        ASSERT_EQ(loadOptions(settings, store), 1);
        ASSERT_EQ(store.getLength(kCommonColorTable), static_cast<std::int32_t>(length));
        EXPECT_EQ(Bytes(store.getData(kCommonColorTable), store.getData(kCommonColorTable) + length),
                  table);
    }
}

TEST_F(PersistedSettingsTest, ValuesThatDoNotFitTheirRoomAreIgnored) {
    const std::string longest(259, 'd');
    FileBackend writer = backend();
    ASSERT_TRUE(writer.open());
    writer.writeBinary("ColorTable", Bytes(1025, 1));
    writer.writeString("OutDir", longest + "e");
    ASSERT_TRUE(writer.commit());
    OptionStore store = defaultStore();
    MemoryDialog window = makeWindow();
    window.setText(ids::kOutputDirectory, "/kept");
    FileBackend settings = backend();
    EXPECT_EQ(loadOptions(settings, store), 1);
    EXPECT_EQ(store.find(kCommonColorTable), nullptr);
    EXPECT_EQ(loadWindowSettings(settings, window), 1);
    EXPECT_EQ(window.text(ids::kOutputDirectory), "/kept");

    // The room counts UTF-16 units: 259 three-byte characters still fit.
    std::string wide;
    for (int i = 0; i < 259; ++i) wide += "出";
    for (const std::string& fits : {longest, wide}) {
        ASSERT_TRUE(writer.open());
        writer.writeString("OutDir", fits);
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(loadWindowSettings(settings, window), 1);
        EXPECT_EQ(window.text(ids::kOutputDirectory), fits);
    }
    ASSERT_TRUE(writer.open());
    writer.writeString("OutDir", std::string("/a\0/b", 5));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(loadWindowSettings(settings, window), 1);
    EXPECT_EQ(window.text(ids::kOutputDirectory), wide);
}

TEST_F(PersistedSettingsTest, WindowMovesOnlyWhenLeftAndTopAreBothStored) {
    for (const char* text : {"Left=dword:00000064\n", "Top=dword:00000064\n",
                             "Left=dword:00000064\nTop=sz:100\n"}) {
        writeFile(text);
        MemoryDialog window = makeWindow();
        window.moveWindow(5, 6);
        FileBackend settings = backend();
        EXPECT_EQ(loadWindowSettings(settings, window), 1);
        int left = 0;
        int top = 0;
        window.windowPosition(left, top);
        EXPECT_EQ(left, 5) << text;
        EXPECT_EQ(top, 6) << text;
    }
}

TEST_F(PersistedSettingsTest, CorruptFileNeverCrashesAndKeepsDefaults) {
    const OptionStore reference = defaultStore();
    std::mt19937 random(99);
    std::vector<std::string> files = {
        "JpegDRI=sz:100\nJpegReadDCTColor=hex:01,00,00,00\nColorTable=dword:00000001\n"
        "OutDir=hex:2f,61\nLeft=sz:1\nTop=dword:1\n",
        "JpegDRI=dword:1x", "JpegDRI=dword:", "JpegDRI=dword:00000001ff\nColorTable=hex:0",
        std::string("JpegDRI\0=dword:1\nOutDir=sz:\xff", 28),
    };
    for (int i = 0; i < 200; ++i) {
        std::string garbage(random() % 400, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        files.push_back(garbage);
    }
    for (const std::string& text : files) {
        writeFile(text);
        OptionStore store = defaultStore();
        MemoryDialog window = makeWindow();
        window.moveWindow(1, 2);
        FileBackend settings = backend();
        EXPECT_EQ(loadOptions(settings, store), 1);
        EXPECT_EQ(loadWindowSettings(settings, window), 1);
        int left = 0;
        int top = 0;
        window.windowPosition(left, top);
        const bool untouched = snapshot(store) == snapshot(reference) && left == 1 && top == 2 &&
                               window.text(ids::kOutputDirectory).empty();
        EXPECT_TRUE(untouched) << testing::PrintToString(text);
    }
}

TEST_F(PersistedSettingsTest, UnopenableSettingsGiveZeroAndChangeNothing) {
    std::filesystem::create_directories(file());  // a folder where the file should be
    FileBackend settings = backend();
    OptionStore store = defaultStore();
    MemoryDialog window = makeWindow();
    EXPECT_EQ(loadOptions(settings, store), 0);
    EXPECT_EQ(saveOptions(settings, store), 0);
    EXPECT_EQ(loadWindowSettings(settings, window), 0);
    EXPECT_EQ(saveWindowSettings(settings, window), 0);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
    EXPECT_TRUE(window.messageBoxes().empty());
}

TEST_F(PersistedSettingsTest, SavingWithoutColorTableKeepsTheStoredOne) {
    writeFile("ColorTable=hex:01,02,03,04\n");
    FileBackend settings = backend();
    ASSERT_EQ(saveOptions(settings, defaultStore()), 1);
    FileBackend reader = backend();
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.readBinary("ColorTable"), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(reader.readDword("JpegDRI"), 64u);
}

// A back end that runs out of memory while reading.
class ExhaustedBackend : public SettingsBackend {
public:
    bool open() override { return true; }
    std::optional<std::uint32_t> readDword(std::string_view) const override { throw std::bad_alloc(); }
    std::optional<std::string> readString(std::string_view) const override { throw std::bad_alloc(); }
    std::optional<Bytes> readBinary(std::string_view) const override { throw std::bad_alloc(); }
    void writeDword(std::string_view, std::uint32_t) override { throw std::bad_alloc(); }
    void writeString(std::string_view, std::string_view) override { throw std::bad_alloc(); }
    void writeBinary(std::string_view, const Bytes&) override { throw std::bad_alloc(); }
    bool commit() override { return true; }
};

TEST(PersistedSettingsMemoryTest, OutOfMemoryIsReportedOnlyByTheWindowProcedures) {
    ExhaustedBackend exhausted;
    OptionStore store = defaultStore();
    MemoryDialog window = makeWindow();
    EXPECT_EQ(loadOptions(exhausted, store), 0);
    EXPECT_EQ(saveOptions(exhausted, store), 0);
    EXPECT_TRUE(window.messageBoxes().empty());
    EXPECT_EQ(loadWindowSettings(exhausted, window), 0);
    EXPECT_EQ(saveWindowSettings(exhausted, window), 0);
    const auto boxes = window.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "メモリが不足しています。");
        EXPECT_EQ(box.icon, DialogControls::Icon::Error);
    }
}

}  // namespace
}  // namespace pictrano
