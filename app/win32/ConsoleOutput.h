#pragma once

#include <iosfwd>
#include <memory>

namespace pictrano {

// Makes `stream`, which writes UTF-8 text to the standard handle `handle` (STD_OUTPUT_HANDLE or
// STD_ERROR_HANDLE), show it correctly on a console whatever the console's code page: when the
// handle is a console, the text is written as UTF-16. Redirected output keeps the UTF-8 bytes.
// The returned guard restores the stream's buffer when it goes away.
class ConsoleOutput {
public:
    ConsoleOutput(std::ostream& stream, unsigned long handle);
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

private:
    class Buffer;
    std::ostream& stream_;
    std::unique_ptr<Buffer> buffer_;  // null when the handle is no console
    std::streambuf* previous_ = nullptr;
};

}  // namespace pictrano
