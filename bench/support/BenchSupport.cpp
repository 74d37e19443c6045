#include "bench/support/BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace pictrano::bench {

RgbPicture readPpm(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    RgbPicture picture;
    int maxval = 0;
    in >> magic >> picture.width >> picture.height >> maxval;
    in.get();  // the single white-space byte before the samples
    if (!in || magic != "P6" || maxval != 255 || picture.width <= 0 || picture.height <= 0) {
        throw std::runtime_error("not an 8-bit binary PPM: " + path.string());
    }
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()), std::streamsize(picture.rgb.size()));
    if (!in) throw std::runtime_error("short PPM: " + path.string());
    return picture;
}

std::vector<std::uint8_t> toPaddedBgrRows(const RgbPicture& picture) {
    const std::size_t stride = (std::size_t(picture.width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> rows(stride * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* from = picture.rgb.data() + std::size_t(y) * picture.width * 3;
        std::uint8_t* to = rows.data() + y * stride;
        for (int x = 0; x < picture.width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return rows;
}

double medianSeconds(int repetitions, const std::function<void()>& work) {
    work();
    std::vector<double> times;
    for (int i = 0; i < std::max(repetitions, 1); ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::pair<double, double> interleavedMedians(int repetitions, const std::function<void()>& ours,
                                             const std::function<void()>& theirs) {
    const auto seconds = [](const std::function<void()>& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    ours();  // warm-up
    theirs();
    std::vector<double> oursTimes;
    std::vector<double> theirsTimes;
    for (int i = 0; i < repetitions; ++i) {
        oursTimes.push_back(seconds(ours));
        theirsTimes.push_back(seconds(theirs));
    }
    std::sort(oursTimes.begin(), oursTimes.end());
    std::sort(theirsTimes.begin(), theirsTimes.end());
    return {oursTimes[oursTimes.size() / 2], theirsTimes[theirsTimes.size() / 2]};
}

void printRatio(std::string_view what, double oursSeconds, double theirsSeconds,
                std::string_view note) {
    std::printf("| %-46.*s | %9.2f | %9.2f | %6.2f | %.*s |\n", int(what.size()), what.data(),
                oursSeconds * 1e3, theirsSeconds * 1e3, oursSeconds / theirsSeconds,
                int(note.size()), note.data());
    std::fflush(stdout);
}

void printOursOnly(std::string_view what, double oursSeconds, std::string_view note) {
    std::printf("| %-46.*s | %9.2f | %9s | %6s | %.*s |\n", int(what.size()), what.data(),
                oursSeconds * 1e3, "-", "-", int(note.size()), note.data());
    std::fflush(stdout);
}

}  // namespace pictrano::bench
