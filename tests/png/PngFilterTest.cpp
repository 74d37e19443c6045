#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "imagelib/png/PngRowFilter.h"
#include "imagelib/png/PngUnfilter.h"
#include "tests/png/ReferenceFilters.h"

namespace pictrano {
namespace {

using Row = std::vector<std::uint8_t>;

// Rows that exercise every branch of the predictors: noise, flat runs, ramps and extremes.
std::vector<Row> sampleRows(std::mt19937& random, std::size_t rowBytes, int count) {
    std::vector<Row> rows;
    for (int y = 0; y < count; ++y) {
        Row row(rowBytes);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            switch ((y + i / 7) % 4) {
                case 0: row[i] = static_cast<std::uint8_t>(random()); break;
                case 1: row[i] = static_cast<std::uint8_t>(y * 40); break;
                case 2: row[i] = static_cast<std::uint8_t>(i * 9 + y); break;
                default: row[i] = random() % 2 ? 0 : 255; break;
            }
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(PngFilters, UnfilteringMatchesThePlainFormForEveryFilterStepAndLength) {
    std::mt19937 random(5);
    for (const std::size_t step : {1u, 2u, 3u, 4u, 6u, 8u}) {
        for (std::size_t rowBytes = 1; rowBytes <= 70; rowBytes += rowBytes < 20 ? 1 : 17) {
            for (int trial = 0; trial < 4; ++trial) {
                // Random filtered data with a random filter type per row.
                const int rows = 5;
                Row filtered;
                for (int y = 0; y < rows; ++y) {
                    filtered.push_back(static_cast<std::uint8_t>(random() % 5));
                    for (std::size_t i = 0; i < rowBytes; ++i)
                        filtered.push_back(static_cast<std::uint8_t>(random()));
                }
                std::vector<Row> expected;
                ASSERT_TRUE(test::referenceUnfilter(filtered, rowBytes, step, expected));
                Row data = filtered;
                const Row zero(rowBytes, 0);
                const std::uint8_t* previous = zero.data();
                for (int y = 0; y < rows; ++y) {
                    std::uint8_t* row = data.data() + y * (rowBytes + 1);
                    ASSERT_TRUE(
                        unfilterRow(row[0], row + 1, previous, rowBytes, static_cast<int>(step)));
                    ASSERT_EQ(Row(row + 1, row + 1 + rowBytes), expected[y])
                        << "step " << step << " bytes " << rowBytes << " row " << y << " filter "
                        << int(row[0]);
                    previous = row + 1;
                }
            }
        }
    }
    Row row(4, 1);
    const Row zero(4, 0);
    for (const int filter : {5, 6, 128, 255})
        EXPECT_FALSE(unfilterRow(filter, row.data(), zero.data(), 4, 1)) << filter;
}

TEST(PngFilters, FilteringMatchesThePlainFormAndTheAutomaticChoice) {
    std::mt19937 random(8);
    for (const std::size_t step : {1u, 2u, 3u, 6u}) {
        // Rows longer than the automatic choice's 65,536-byte summing blocks, at one step.
        for (const std::size_t rowBytes : {1u, 2u, 3u, 5u, 12u, 31u, 70001u}) {
            if (rowBytes > 31 && step != 3) continue;
            const std::vector<Row> rows = sampleRows(random, rowBytes, rowBytes > 31 ? 3 : 6);
            Row packed;
            for (const Row& row : rows) packed.insert(packed.end(), row.begin(), row.end());
            for (const int filter : {0, 1, 2, 3, 4, 5, -1, 9}) {
                Row out((rowBytes + 1) * rows.size());
                filterPngRows(packed.data(), rowBytes, rows.size(), static_cast<int>(step), filter,
                              out.data());
                Row above;
                for (std::size_t y = 0; y < rows.size(); ++y) {
                    const int expectedType =
                        filter >= 0 && filter <= 4
                            ? filter
                            : test::referenceAutomaticFilter(rows[y], above, step);
                    const std::uint8_t* written = out.data() + y * (rowBytes + 1);
                    ASSERT_EQ(written[0], expectedType) << "filter " << filter << " row " << y;
                    ASSERT_EQ(Row(written + 1, written + 1 + rowBytes),
                              test::referenceFilterRow(rows[y], above, step, expectedType))
                        << "filter " << filter << " step " << step << " row " << y;
                    above = rows[y];
                }
            }
        }
    }
}

TEST(PngFilters, TheAutomaticChoiceOnTheRowsTheRulesName) {
    const Row same(6, 9);
    const Row zero(6, 0);
    const Row ramp = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(choosePngFilter(same.data(), nullptr, 6, 3), 1)
        << "identical non-zero first row: Sub, not Paeth";
    EXPECT_EQ(choosePngFilter(zero.data(), nullptr, 6, 3), 0) << "all zero: None";
    EXPECT_EQ(choosePngFilter(zero.data(), same.data(), 6, 3), 0)
        << "all zero under another row: None";
    EXPECT_EQ(choosePngFilter(ramp.data(), ramp.data(), 6, 1), 2) << "equal to the row above: Up";
    // A long row whose only non-zero bytes lie at its end: their estimates decide.
    Row longRow(70000, 0);
    std::fill(longRow.end() - 9, longRow.end(), 100);
    const Row longZero(longRow.size(), 0);
    EXPECT_EQ(choosePngFilter(longRow.data(), longZero.data(), longRow.size(), 3), 1);
    EXPECT_EQ(test::referenceAutomaticFilter(longRow, longZero, 3), 1);
    // Up never wins a first row: its estimate equals None's.
    std::mt19937 random(3);
    for (int trial = 0; trial < 200; ++trial) {
        Row row(1 + random() % 9);
        for (auto& byte : row) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
        EXPECT_NE(choosePngFilter(row.data(), nullptr, row.size(), 1 + trial % 3), 2);
    }
}

}  // namespace
}  // namespace pictrano
