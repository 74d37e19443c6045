#include "imagelib/front/ImageLoader.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "imagelib/bmp/BmpReader.h"
#include "imagelib/front/FileStatusMessage.h"
#include "imagelib/jpeg/JpegDecoder.h"
#include "imagelib/png/PngReader.h"
#include "platform/WholeFile.h"

namespace pictrano {
namespace {

enum class FileKind { Bitmap, Jpeg, Png, Unknown };

FileKind recognise(const std::uint8_t* data, std::size_t length) {
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47,
                                                      0x0D, 0x0A, 0x1A, 0x0A};
    if (length >= 2 && data[0] == 'B' && data[1] == 'M') return FileKind::Bitmap;
    if (length >= 2 && data[0] == 0xFF && data[1] == 0xD8) return FileKind::Jpeg;
    if (length >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return FileKind::Png;
    return FileKind::Unknown;
}

}  // namespace

std::unique_ptr<DibImage> ImageLoader::loadFile(std::string_view name) {
    return loadPath(pathFromUtf8(name));
}

std::unique_ptr<DibImage> ImageLoader::loadFileWide(std::u16string_view name) {
    return loadPath(pathFromUtf16(name));
}

std::unique_ptr<DibImage> ImageLoader::loadPath(const std::filesystem::path& path) {
    std::vector<std::uint8_t> contents;
    const FileStatus status = readWholeFile(path, maxFileBytes, contents);
    if (status != FileStatus::Ok) {
        errors_.set(messageFor(status));
        return nullptr;
    }
    return loadMemory(contents.data(), contents.size());
}

std::unique_ptr<DibImage> ImageLoader::loadMemory(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr) length = 0;
    try {
        switch (recognise(data, length)) {
            case FileKind::Bitmap: {
                BmpReader reader;
                return decodeWith(reader, data, length);
            }
            case FileKind::Jpeg: {
                JpegDecoder reader;
                reader.OutputFlags = outputFlags;
                if (colourOptions != 0) reader.ColourMode = colourOptions;
                return decodeWith(reader, data, length);
            }
            case FileKind::Png: {
                PngReader reader;
                return decodeWith(reader, data, length);
            }
            default:
                errors_.set(Msg::UnsupportedFileFormat);
                return nullptr;
        }
    } catch (const std::bad_alloc&) {
        errors_.set(Msg::OutOfMemory);
        return nullptr;
    }
}

template <typename Reader>
std::unique_ptr<DibImage> ImageLoader::decodeWith(Reader& reader, const std::uint8_t* data,
                                                  std::size_t length) {
    if (!reader.read(data, length)) {
        errors_.copyFrom(reader.errors());
        return nullptr;
    }
    // Byte samples become the picture's own rows; wider samples are narrowed into new ones.
    auto image = std::make_unique<DibImage>();
    HeapArray<std::uint8_t> pixels = reader.takePixels();
    const int made =
        pixels.empty()
            ? image->create(reader.pixels(), reader.precision(), reader.width(), reader.height())
            : image->adopt(std::move(pixels), reader.precision(), reader.width(),
                           reader.height());
    if (!made || (reader.paletteCount() > 0 &&
                  !image->attachPalette(reader.palette(), reader.paletteCount(),
                                        reader.takeIndexPlane()))) {
        errors_.copyFrom(image->errors());
        return nullptr;
    }
    return image;
}

}  // namespace pictrano
