// The Icon branch of ImageSaver: the writer's source, the transparent colour settled on that
// source before any reduction, then the Bitmap branch's bit-count table.
#include "imagelib/front/BitCountTable.h"
#include "imagelib/front/ImageSaver.h"
#include "imagelib/icon/IconWriter.h"
#include "imagelib/image/ColourLattice.h"
#include "imagelib/image/ColourReduction.h"

namespace pictrano {
namespace {

constexpr std::int32_t kRuleCodeBit = 0x40000000;

// The index or colour the request names on the writer's current source, or -1 for none.
std::int32_t transparentValue(const IconWriter& writer, std::int32_t request, bool fromPalette) {
    if (request == kNoTransparency) return -1;
    if ((request & kRuleCodeBit) != 0) return writer.resolveRule(request);
    return fromPalette ? writer.findColour(static_cast<std::uint32_t>(request)) : request;
}

}  // namespace

std::size_t ImageSaver::encodeIcon(std::vector<std::uint8_t>& file, const DibImage& image,
                                   const SaveParams& params) {
    IconWriter writer;
    const int bitCount = params.bitCount;
    const bool fromPalette = image.paletteCount() > 0 && bitCount == 8;
    const int colours = fromPalette ? 0 : coloursFor(bitCount);
    if (!fromPalette && colours == 0 && !isWrittenDirectly(bitCount)) {
        errors_.set(Msg::UnsupportedFormatSpecified);
        return 0;
    }
    const int given =
        fromPalette ? writer.setFromPalette(image.palette(), image.paletteCount(),
                                            image.indexPlane(), image.width(), image.height(), 8)
                    : writer.setFromPixels(image.pixelBits(), image.width(), image.height());
    if (!given) {
        errors_.copyFrom(writer.errors());
        return 0;
    }
    const std::int32_t transparent = transparentValue(writer, transparencyOf(params), fromPalette);
    if (transparent != -1 && !writer.setTransparent(transparent)) {
        errors_.copyFrom(writer.errors());
        return 0;
    }
    if (colours != 0) {
        const bool usesLattice = colours == 256 && params.colourModel != kGreyColourModel;
        const std::uint32_t lattice =
            usesLattice ? writer.selectLattice(kLatticeSampleColumns, kLatticeSampleRows)
                        : kDefaultLattice;
        // An icon holds rows: the degree's RLE request is not passed on.
        if (!writer.reduce(colours, params.colourModel, 0, lattice)) {
            errors_.copyFrom(writer.errors());
            return 0;
        }
    }
    const std::size_t size = writer.write(file);
    if (size == 0) errors_.copyFrom(writer.errors());
    return size;
}

}  // namespace pictrano
