#include "tests/support/Pnm.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <zlib.h>

namespace pictrano::test {
namespace {

std::vector<std::uint8_t> readGzipOrPlain(const std::filesystem::path& path) {
    gzFile file = gzopen(path.string().c_str(), "rb");
    if (file == nullptr) throw std::runtime_error("cannot read " + path.string());
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    int count;
    while ((count = gzread(file, buffer, sizeof buffer)) > 0) bytes.insert(bytes.end(), buffer, buffer + count);
    gzclose(file);
    if (count < 0) throw std::runtime_error("cannot decompress " + path.string());
    return bytes;
}

}  // namespace

PnmPicture readPnm(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = readGzipOrPlain(path);
    std::size_t at = 0;
    auto number = [&]() {
        while (at < bytes.size() && std::isspace(bytes[at])) ++at;
        int value = 0;
        while (at < bytes.size() && std::isdigit(bytes[at])) value = value * 10 + (bytes[at++] - '0');
        return value;
    };
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) {
        throw std::runtime_error("not a binary PNM: " + path.string());
    }
    PnmPicture picture;
    picture.channels = bytes[1] == '6' ? 3 : 1;
    at = 2;
    picture.width = number();
    picture.height = number();
    picture.maxValue = number();
    ++at;  // the single white-space byte before the samples
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height * picture.channels;
    const std::size_t bytesPerSample = picture.maxValue > 255 ? 2 : 1;
    if (bytes.size() < at + count * bytesPerSample) throw std::runtime_error("short PNM: " + path.string());
    picture.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        picture.samples[i] = bytesPerSample == 1
                                 ? bytes[at + i]
                                 : static_cast<std::uint16_t>((bytes[at + 2 * i] << 8) | bytes[at + 2 * i + 1]);
    }
    return picture;
}

double psnr(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b, int peak) {
    if (a.size() != b.size() || a.empty()) return 0;
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double difference = static_cast<double>(a[i]) - b[i];
        squares += difference * difference;
    }
    if (squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(static_cast<double>(peak) * peak * static_cast<double>(a.size()) / squares);
}

}  // namespace pictrano::test
