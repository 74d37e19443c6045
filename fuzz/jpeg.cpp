// The JPEG decoder on any bytes; the first byte chooses the output flags and colour handling.
#include "fuzz/PictureChecks.h"
#include "imagelib/jpeg/JpegDecoder.h"

using namespace pictrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::uint8_t mode = input.byte();
    JpegDecoder decoder;
    // Full colour always; the grey picture too (bit 0); rows bottom-up (bit 1).
    decoder.OutputFlags = 0x01u | ((mode & 1u) << 1) | ((mode & 2u) != 0 ? 0u : 0x10u);
    // The components as stored for DCT (bit 2) or lossless files (bit 3).
    decoder.ColourMode = ((mode & 4u) != 0 ? 2u : 3u) | ((mode & 8u) != 0 ? 0x200u : 0x300u);
    if (!decoder.read(input.data(), input.size())) {
        fuzz::requireMessage(decoder.errors());
        return 0;
    }
    fuzz::checkPicture(decoder.pixels(), decoder.precision() > 8 ? 2 : 1, decoder.width(),
                       decoder.height(), decoder.paletteCount(), decoder.palette(),
                       decoder.indexPlane());
    return 0;
}
