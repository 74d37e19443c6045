#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "imagelib/front/SaveParams.h"
#include "imagelib/image/DibImage.h"
#include "imagelib/image/ErrorBuffers.h"

namespace pictrano {

// Encodes a DibImage as the file that a SaveParams record asks for, and writes it in one piece.
class ImageSaver {
public:
    // The encoded file in `file`; its size, or 0 with the message in errors(). May rewrite zero
    // JPEG sampling factors of the record to 1.
    std::size_t encode(std::vector<std::uint8_t>& file, const DibImage& image,
                       SaveParams* params);
    // Encodes and writes to path (UTF-8). The target is replaced only by a complete file.
    std::size_t saveFile(std::string_view path, const DibImage& image, SaveParams* params);

    const BasicErrorBuffers<64>& errors() const { return errors_; }

private:
    std::size_t encodeBitmap(std::vector<std::uint8_t>& file, const DibImage& image,
                             const SaveParams& params);
    std::size_t encodeJpeg(std::vector<std::uint8_t>& file, const DibImage& image,
                           SaveParams& params);
    std::size_t encodePng(std::vector<std::uint8_t>& file, const DibImage& image,
                          const SaveParams& params);
    std::size_t encodeIcon(std::vector<std::uint8_t>& file, const DibImage& image,
                           const SaveParams& params);

    BasicErrorBuffers<64> errors_;
};

}  // namespace pictrano
