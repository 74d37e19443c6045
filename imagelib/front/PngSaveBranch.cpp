// The PNG branch of ImageSaver: colour type and depth from the colour model and bit count, the
// row filter and the Deflate degree from the degree's two low nibbles.
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/ColourReduction.h"
#include "imagelib/png/PngLayout.h"
#include "imagelib/png/PngWriter.h"

namespace pictrano {

std::size_t ImageSaver::encodePng(std::vector<std::uint8_t>& file, const DibImage& image,
                                  const SaveParams& params) {
    int colourType = kPngIndexed;
    int bitDepth = params.bitCount;
    if (params.colourModel == kGreyColourModel) {
        colourType = kPngGrey;
    } else if (params.bitCount == 24) {
        colourType = kPngTruecolour;
        bitDepth = 8;
    }
    const int filter = (params.degree >> 4) & 15;
    const int deflateDegree = params.degree & 15;

    PngWriter writer;
    const std::size_t size =
        image.paletteCount() > 0 && colourType == kPngIndexed && bitDepth == 8
            ? writer.writeIndexed(file, image.palette(), image.paletteCount(), image.indexPlane(),
                                  colourType, bitDepth, image.width(), image.height(), filter,
                                  deflateDegree)
            : writer.write(file, image.pixelBits(), colourType, bitDepth, image.width(),
                           image.height(), filter, deflateDegree);
    if (size == 0) errors_.copyFrom(writer.errors());
    return size;
}

}  // namespace pictrano
