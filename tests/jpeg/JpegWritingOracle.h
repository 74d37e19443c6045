#pragma once

#include <cstdint>
#include <vector>

#include "imagelib/jpeg/JpegEncoder.h"
#include "tests/support/JpegOracle.h"

namespace pictrano::test {

using Bytes = std::vector<std::uint8_t>;

// Decodes a file we wrote with libjpeg, telling it how the components are stored (the files
// carry no marker that says so): colour model 1 grey, 2 RGB, 3 YCbCr. YCbCr comes back as RGB
// when `toRgb`, else as the stored components. Chroma is up-sampled by replication.
LibjpegPicture decodeWrittenFile(const Bytes& file, int colourModel, bool toRgb);

// A picture as 24-bit rows (blue, green, red, rows padded to 4 bytes); grey samples fill all
// three channels.
Bytes toPixelRows(const LibjpegPicture& picture);

// The samples the encoder's picture stores, without level shift, interleaved like a libjpeg
// picture: luminance for grey, R G B for RGB, Y Cb Cr for YCbCr.
LibjpegPicture storedComponents(const JpegEncoder& encoder);

// PSNR in dB of two equally sized pictures (peak 255).
double psnrOf(const LibjpegPicture& a, const LibjpegPicture& b);

// The encoder's file: set image (with level shift), factors (component i takes h[i] x v[i])
// when given, quality scaling with quality - 1 when quality > 0, baseline coding, serialise.
struct BaselineRequest {
    int colourModel = 3;
    int horizontal[3] = {1, 1, 1};
    int vertical[3] = {1, 1, 1};
    bool factorsGiven = false;
    int quality = 0;
};
// An encoder that keeps the pixel rows it is given, which must last until it has encoded them.
struct EncoderWithPixels : JpegEncoder {
    Bytes pixels;
};
Bytes writeBaseline(EncoderWithPixels& encoder, const LibjpegPicture& picture, const BaselineRequest& request);

}  // namespace pictrano::test
