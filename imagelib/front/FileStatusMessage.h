#pragma once

#include "imagelib/image/MessageCatalogue.h"
#include "platform/WholeFile.h"

namespace pictrano {

// The front's message for a failed whole-file read or write.
inline Msg messageFor(FileStatus status) {
    switch (status) {
        case FileStatus::TooLarge: return Msg::FileTooLarge;
        case FileStatus::OutOfMemory: return Msg::OutOfMemory;
        case FileStatus::CannotRead: return Msg::CannotReadFile;
        case FileStatus::CannotWrite: return Msg::CannotWriteFile;
        default: return Msg::CannotOpenFile;
    }
}

}  // namespace pictrano
