#include "imagelib/front/ImageSaver.h"

#include <new>

#include "imagelib/front/FileStatusMessage.h"

namespace pictrano {

std::size_t ImageSaver::encode(std::vector<std::uint8_t>& file, const DibImage& image,
                               SaveParams* params) {
    if (params == nullptr || params->structSize != sizeof(SaveParams) || !image.hasPicture()) {
        errors_.set(Msg::ParameterInvalid);
        return 0;
    }
    try {
        switch (params->format) {
            case kFormatBitmap: return encodeBitmap(file, image, *params);
            case kFormatJpeg: return encodeJpeg(file, image, *params);
            case kFormatPng: return encodePng(file, image, *params);
            case kFormatIcon: return encodeIcon(file, image, *params);
            default:
                errors_.set(Msg::UnsupportedFormatCode);
                return 0;
        }
    } catch (const std::bad_alloc&) {
        errors_.set(Msg::OutOfMemory);
        return 0;
    }
}

std::size_t ImageSaver::saveFile(std::string_view path, const DibImage& image,
                                 SaveParams* params) {
    std::vector<std::uint8_t> file;
    const std::size_t size = encode(file, image, params);
    if (size == 0) return 0;
    const FileStatus status = writeWholeFile(pathFromUtf8(path), file.data(), size);
    if (status == FileStatus::Ok) return size;
    errors_.set(messageFor(status));
    return 0;
}

}  // namespace pictrano
