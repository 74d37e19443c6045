// Load, then save as the first eight bytes choose: output format, bit count, colour model,
// process, degree (RLE, quality, predictor, PNG filter and Deflate degree), sampling factors,
// Icon transparency, a maximum size that shrinks the picture, the loader's colour options. A
// saved Bitmap, PNG or JPEG must read back at the picture's size, and the lossless ones (24-bit
// Bitmap and PNG) with the picture's pixels.
#include <cstring>
#include <vector>

#include "app/ConversionJob.h"
#include "fuzz/FuzzInput.h"
#include "imagelib/front/ImageLoader.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/RowLayout.h"

using namespace pictrano;

namespace {

constexpr std::uint16_t kBitCounts[] = {1, 2, 4, 8, 16, 24, 32, 7};
constexpr std::uint16_t kProcesses[] = {192, 193, 195, 194};
constexpr std::int32_t kTransparencies[] = {kNoTransparency,        kTransparentTopLeft,
                                            kTransparentTopRight,   kTransparentBottomLeft,
                                            kTransparentBottomRight, kTransparentBorder,
                                            0x00FFFFFF,             0x40000001};
// Saving a picture is slow under the sanitizers: larger ones are shrunk to this box first.
constexpr int kLargestSide = 512;

SaveParams paramsFrom(fuzz::FuzzInput& input) {
    SaveParams params{};
    params.structSize = sizeof(SaveParams);
    const std::uint8_t choice = input.byte();
    params.format = static_cast<std::uint16_t>(1 + choice % 5);  // 5: not a format
    params.bitCount = kBitCounts[(choice >> 3) % 8];
    params.colourModel = static_cast<std::uint16_t>(1 + (choice >> 6));  // 4: not a model
    const std::uint8_t process = input.byte();
    params.process = params.format == kFormatJpeg ? kProcesses[process % 4]
                                                  : static_cast<std::uint16_t>(process % 2);
    params.degree = static_cast<std::int16_t>(input.byte());
    const std::uint8_t sampling = input.byte();
    params.samplingGiven = static_cast<std::int16_t>(sampling & 1);
    for (int i = 0; i < 4; ++i) {
        params.hSampling[i] = static_cast<std::uint8_t>((sampling >> (1 + i)) & 1 ? 2 : 1);
        params.vSampling[i] = static_cast<std::uint8_t>((sampling >> (5 + i % 3)) & 1 ? 2 : 1);
    }
    const std::uint8_t transparency = input.byte();
    if (params.format == kFormatIcon) setTransparency(params, kTransparencies[transparency % 8]);
    return params;
}

// Shrinks to the maximum size chosen (a side of 0 keeps the picture's), or to the largest box.
void shrink(DibImage& image, int maxWidth, int maxHeight) {
    if (maxWidth == 0 || maxHeight == 0) {
        maxWidth = kLargestSide;
        maxHeight = kLargestSide;
    }
    if (const auto size = shrunkSize(image.width(), image.height(), maxWidth, maxHeight)) {
        if (image.resize(size->width, size->height) == nullptr) fuzz::finding();
        if (image.width() != size->width || image.height() != size->height) fuzz::finding();
    }
}

bool savedLosslessly(const SaveParams& params) {
    if (params.format == kFormatBitmap) return params.bitCount == 24;
    return params.format == kFormatPng && params.bitCount == 24 && params.colourModel != 1;
}

void checkReadBack(const std::vector<std::uint8_t>& file, const DibImage& image,
                   const SaveParams& params) {
    // Icons are not read; Bitmaps of 16 and 32-bit rows are read only with bit-field masks, and
    // the writer stores them without.
    if (params.format == kFormatIcon ||
        (params.format == kFormatBitmap && (params.bitCount == 16 || params.bitCount == 32))) {
        return;
    }
    ImageLoader loader;
    const std::unique_ptr<DibImage> back = loader.loadMemory(file.data(), file.size());
    if (!back || back->width() != image.width() || back->height() != image.height()) {
        fuzz::finding();
    }
    if (!savedLosslessly(params)) return;
    const auto bytes = static_cast<std::size_t>(pixelRowStride(image.width()) * image.height());
    if (std::memcmp(back->pixelBits(), image.pixelBits(), bytes) != 0) fuzz::finding();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    SaveParams params = paramsFrom(input);
    const int maxWidth = input.byte();
    const int maxHeight = input.byte();
    const std::uint8_t options = input.byte();
    ImageLoader loader;
    loader.colourOptions = options % 4 == 0 ? 0u : (options & 1u ? 2u : 0u) | (options & 2u ? 0x200u : 0u);
    const std::unique_ptr<DibImage> image = loader.loadMemory(input.data(), input.size());
    if (!image) return 0;
    shrink(*image, maxWidth, maxHeight);
    ImageSaver saver;
    std::vector<std::uint8_t> file;
    const std::size_t saved = saver.encode(file, *image, &params);
    if (saved == 0) {
        fuzz::requireMessage(saver.errors());
        return 0;
    }
    if (saved != file.size()) fuzz::finding();
    checkReadBack(file, *image, params);
    return 0;
}
