#include "tests/deflate/SampleInputs.h"

#include <algorithm>
#include <random>

namespace pictrano::test {

using Bytes = std::vector<std::uint8_t>;

Bytes randomBytes(std::size_t length, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes textBytes(std::size_t length, std::uint32_t seed) {
    static const char* const words[] = {"the ", "quick ", "brown ", "fox ", "jumps ", "over ", "lazy ",
                                        "dog ", "0123456789 ", "Deflate ", "stream\n", "PNG "};
    std::mt19937 random(seed);
    Bytes bytes;
    while (bytes.size() < length) {
        const char* word = words[random() % std::size(words)];
        for (; *word != 0 && bytes.size() < length; ++word) bytes.push_back(static_cast<std::uint8_t>(*word));
    }
    return bytes;
}

Bytes runBytes(std::size_t length, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes;
    while (bytes.size() < length) {
        const std::size_t run = 1 + random() % (random() % 4 == 0 ? 1000 : 20);
        const auto value = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : 0);
        bytes.insert(bytes.end(), std::min(run, length - bytes.size()), value);
    }
    return bytes;
}

Bytes periodicBytes(std::size_t length, std::size_t period, std::uint32_t seed) {
    const Bytes pattern = randomBytes(period, seed);
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = pattern[i % period];
    return bytes;
}

Bytes imageRows(int width, int height, int bytesPerPixel, std::uint32_t seed) {
    std::mt19937 random(seed);
    const std::size_t rowBytes = std::size_t(width) * bytesPerPixel;
    Bytes bytes;
    Bytes previous(rowBytes, 0), row(rowBytes);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < bytesPerPixel; ++c) {
                const int smooth = (x * (c + 1) + y * 2) / 3 + static_cast<int>(random() % 5);
                row[std::size_t(x) * bytesPerPixel + c] = static_cast<std::uint8_t>(smooth);
            }
        }
        // Alternating filters: Sub and Up rows, each after its filter byte.
        const std::uint8_t filter = y % 2 == 0 ? 1 : 2;
        bytes.push_back(filter);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int left = i >= std::size_t(bytesPerPixel) ? row[i - bytesPerPixel] : 0;
            bytes.push_back(static_cast<std::uint8_t>(row[i] - (filter == 1 ? left : previous[i])));
        }
        previous = row;
    }
    return bytes;
}

Bytes flatImageRows(int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes;
    for (int y = 0; y < height; ++y) {
        bytes.push_back(0);
        for (int x = 0; x < width; ++x) {
            const bool inBox = x > width / 4 && x < width / 2 && y > height / 3;
            const bool glyph = (x / 3 + y) % 7 == 0 && y % 9 < 6;
            const std::uint8_t value = glyph ? 0x20 : inBox ? 0xE8 : 0xEC;
            bytes.insert(bytes.end(), {value, value, static_cast<std::uint8_t>(value + (random() % 97 == 0))});
        }
    }
    return bytes;
}

std::vector<SampleInput> sampleInputs(std::size_t length, std::uint32_t seed) {
    auto cut = [length](Bytes bytes) {
        bytes.resize(length);
        return bytes;
    };
    const int width = 97;
    const int rows = static_cast<int>(length / (width * 3 + 1)) + 1;
    return {
        {"random", randomBytes(length, seed)},
        {"text", textBytes(length, seed)},
        {"runs", runBytes(length, seed)},
        {"period 7", periodicBytes(length, 7, seed)},
        {"period 300", periodicBytes(length, 300, seed)},
        {"image rows", cut(imageRows(width, rows, 3, seed))},
        {"flat image rows", cut(flatImageRows(width, rows, seed))},
    };
}

}  // namespace pictrano::test
