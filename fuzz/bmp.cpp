// The Bitmap reader on any bytes.
#include "fuzz/PictureChecks.h"
#include "imagelib/bmp/BmpReader.h"

using namespace pictrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BmpReader reader;
    if (!reader.read(data, size)) {
        fuzz::requireMessage(reader.errors());
        return 0;
    }
    fuzz::checkPicture(reader.pixels(), 1, reader.width(), reader.height(), reader.paletteCount(),
                       reader.palette(), reader.indexPlane());
    return 0;
}
