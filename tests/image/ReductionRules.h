#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// The colour-reduction rules written out for the tests from their statement, independently of the
// library.
namespace pictrano::test {

// Luminance of a pixel given as blue, green, red, as the rule writes it: 0.114 blue + 0.587 green
// + 0.299 red in IEEE double, added left to right (the build never fuses multiply and add).
inline double luminance(const std::uint8_t* p) { return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2]; }

// The exact greys v whose luminance falls just under v, so that truncation gives v - 1, as an
// independent evaluation of the formula in IEEE double finds them.
constexpr std::array<int, 16> kGreysBelowThemselves = {23,  46,  57,  59,  92,  114, 118, 127,
                                                       184, 205, 223, 228, 236, 241, 249, 254};

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
// blue, green, red bytes. M = (left error + error above) / 8 + Y in floating point, clamped to
// 0 .. 255; level trunc(M + 8) / 17; the error passed on is trunc(M) - 17 level.
template <typename PixelAt>
std::vector<std::vector<int>> diffusedGreyLevels(int width, int height, PixelAt pixelAt) {
    std::vector<int> errorRow(static_cast<std::size_t>(width), 0);
    std::vector<std::vector<int>> levels(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        int left = 0;
        for (int x = 0; x < width; ++x) {
            double m = (left + errorRow[x]) / 8.0 + luminance(pixelAt(x, y));
            m = m < 0 ? 0 : m > 255 ? 255 : m;
            const int level = static_cast<int>(m + 8) / 17;
            errorRow[x] = left = static_cast<int>(m) - 17 * level;
            levels[y].push_back(level);
        }
    }
    return levels;
}

}  // namespace pictrano::test
