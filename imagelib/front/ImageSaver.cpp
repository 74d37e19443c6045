#include "imagelib/front/ImageSaver.h"

#include <new>

#include "platform/WholeFile.h"

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
    switch (writeWholeFile(pathFromUtf8(path), file.data(), size)) {
        case FileStatus::Ok: return size;
        case FileStatus::CannotOpen: errors_.set(Msg::CannotOpenFile); return 0;
        default: errors_.set(Msg::CannotWriteFile); return 0;
    }
}

}  // namespace pictrano
