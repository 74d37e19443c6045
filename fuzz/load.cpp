// The whole load from memory: recognition, every reader, the picture built from its result.
#include "fuzz/PictureChecks.h"
#include "imagelib/front/ImageLoader.h"

using namespace pictrano;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImageLoader loader;
    const std::unique_ptr<DibImage> image = loader.loadMemory(data, size);
    if (!image) {
        fuzz::requireMessage(loader.errors());
        return 0;
    }
    fuzz::checkPicture(image->pixelBits(), 1, image->width(), image->height(),
                       image->paletteCount(), image->palette(), image->indexPlane());
    return 0;
}
