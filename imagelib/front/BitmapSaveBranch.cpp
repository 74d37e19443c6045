// The Bitmap branch of ImageSaver: picks the writer's source and reduction by bit count.
#include "imagelib/bmp/BmpWriter.h"
#include "imagelib/front/BitCountTable.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/ColourReduction.h"

namespace pictrano {

std::size_t ImageSaver::encodeBitmap(std::vector<std::uint8_t>& file, const DibImage& image,
                                     const SaveParams& params) {
    BmpWriter writer;
    const int bitCount = params.bitCount;
    if (image.paletteCount() > 0 && bitCount == 8) {
        if (!writer.setFromPalette(image.palette(), image.paletteCount(), image.indexPlane(),
                                   image.width(), image.height(), params.degree)) {
            errors_.copyFrom(writer.errors());
            return 0;
        }
    } else {
        const int colours = coloursFor(bitCount);
        if (colours == 0 && !isWrittenDirectly(bitCount)) {
            errors_.set(Msg::UnsupportedFormatSpecified);
            return 0;
        }
        if (colours == 0) {
            // Written as they are: the file is built straight from the picture's rows.
            const std::size_t size = writer.buildFileFromPixels(file, image.pixelBits(),
                                                                image.width(), image.height(),
                                                                bitCount);
            if (size == 0) errors_.copyFrom(writer.errors());
            return size;
        }
        // Reduced where the picture's rows lie, read bottom row first as the file holds them.
        const int width = image.width(), height = image.height();
        const RowsView rows = lastRowFirst(image.pixelBits(), pixelRowStride(width), height);
        const bool usesLattice = colours == 256 && params.colourModel != kGreyColourModel;
        const std::uint32_t lattice =
            usesLattice ? selectBestLattice(rows, width, height, kLatticeSampleColumns,
                                            kLatticeSampleRows)
                        : kDefaultLattice;
        if (!writer.setReducedFromPixels(image.pixelBits(), width, height,
                                         {colours, params.colourModel, params.degree, lattice})) {
            errors_.copyFrom(writer.errors());
            return 0;
        }
    }
    const std::size_t size = writer.buildFile(file);
    if (size == 0) errors_.copyFrom(writer.errors());
    return size;
}

}  // namespace pictrano
