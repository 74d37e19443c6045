#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// The colour-reduction rules restated for the tests, in integers, independently of the library.
namespace pictrano::test {

// 1000 x (0.114 blue + 0.587 green + 0.299 red) of a pixel given as blue, green, red.
inline int luminance1000(const std::uint8_t* p) { return 114 * p[0] + 587 * p[1] + 299 * p[2]; }

// Of n levels spread evenly over 0 .. 255: the level (0 .. n - 1) a channel value v falls to, and
// the value of level q.
inline int quantiseLevel(int v, int n) { return (v + 127 / (n - 1)) * (n - 1) / 255; }
inline int levelValue(int q, int n) { return q * 255 / (n - 1); }

// The fixed 16-colour palette, (blue, green, red) by index.
constexpr std::array<std::array<int, 3>, 16> kFixedPalette = {{
    {0, 0, 0}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255},
    {0, 0, 128}, {0, 0, 255}, {0, 128, 128}, {0, 255, 255},
    {0, 128, 0}, {0, 255, 0}, {128, 128, 0}, {255, 255, 0},
    {128, 0, 0}, {255, 0, 0}, {128, 0, 128}, {255, 0, 255},
}};

// 16 grey levels with error diffusion, rows in the order processed; pixelAt(x, y) gives the
// blue, green, red bytes. M in thousandths is 125 (left error + error above) + 1000 Y.
template <typename PixelAt>
std::vector<std::vector<int>> diffusedGreyLevels(int width, int height, PixelAt pixelAt) {
    std::vector<int> errorRow(static_cast<std::size_t>(width), 0);
    std::vector<std::vector<int>> levels(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        int left = 0;
        for (int x = 0; x < width; ++x) {
            const int sum = 125 * (left + errorRow[x]) + luminance1000(pixelAt(x, y));
            const int m = std::clamp(sum, 0, 255000) / 1000;
            const int level = (m + 8) / 17;
            errorRow[x] = left = m - 17 * level;
            levels[y].push_back(level);
        }
    }
    return levels;
}

}  // namespace pictrano::test
