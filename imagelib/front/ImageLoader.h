#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "imagelib/image/DibImage.h"
#include "imagelib/image/ErrorBuffers.h"

namespace pictrano {

// Turns a file, or a file image in memory, into a DibImage. The format is recognised by the
// first bytes: "BM" Bitmap, FF D8 JPEG, the PNG signature PNG.
class ImageLoader {
public:
    static constexpr std::uintmax_t kMaxFileBytes = 4194304;

    // Files larger than this are refused before they are read.
    std::uintmax_t maxFileBytes = kMaxFileBytes;
    // Handed to the JPEG reader: produce the 24-bit picture, rows top-down.
    std::uint32_t outputFlags = 0x11;
    // 0 keeps the JPEG reader's colour handling; low byte 2: DCT files raw, 0x200: lossless raw.
    std::uint32_t colourOptions = 0;

    // name: UTF-8 (the narrow text of the portable code), or UTF-16 for loadFileWide.
    std::unique_ptr<DibImage> loadFile(std::string_view name);
    std::unique_ptr<DibImage> loadFileWide(std::u16string_view name);
    std::unique_ptr<DibImage> loadMemory(const std::uint8_t* data, std::size_t length);

    const ErrorBuffers& errors() const { return errors_; }

private:
    std::unique_ptr<DibImage> loadPath(const std::filesystem::path& path);
    // Runs one reader over the file image and builds the picture from what it decoded.
    template <typename Reader>
    std::unique_ptr<DibImage> decodeWith(Reader& reader, const std::uint8_t* data,
                                         std::size_t length);

    ErrorBuffers errors_;
};

}  // namespace pictrano
