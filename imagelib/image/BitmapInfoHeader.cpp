#include "imagelib/image/BitmapInfoHeader.h"

#include "imagelib/image/ByteOrder.h"

namespace pictrano {

void BitmapInfoHeader::store(std::uint8_t* out) const {
    storeLe32(out + 0, size);
    storeLe32(out + 4, static_cast<std::uint32_t>(width));
    storeLe32(out + 8, static_cast<std::uint32_t>(height));
    storeLe16(out + 12, planes);
    storeLe16(out + 14, bitCount);
    storeLe32(out + 16, compression);
    storeLe32(out + 20, imageSize);
    storeLe32(out + 24, static_cast<std::uint32_t>(xPelsPerMeter));
    storeLe32(out + 28, static_cast<std::uint32_t>(yPelsPerMeter));
    storeLe32(out + 32, colorsUsed);
    storeLe32(out + 36, colorsImportant);
}

}  // namespace pictrano
