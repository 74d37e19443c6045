#include "app/win32/ConsoleOutput.h"

#include <windows.h>

#include <ostream>
#include <streambuf>
#include <string>

#include "app/win32/WideText.h"
#include "platform/TextConversion.h"

namespace pictrano {

// Collects bytes and writes every whole UTF-8 sequence to the console as UTF-16; a sequence cut
// by a flush waits for its remaining bytes.
class ConsoleOutput::Buffer : public std::streambuf {
public:
    explicit Buffer(HANDLE console) : console_(console) {}
    ~Buffer() override { sync(); }

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            pending_ += traits_type::to_char_type(c);
            if (c == '\n') sync();
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) sync();
        return count;
    }

    int sync() override {
        const std::size_t whole = wholeSequences();
        if (whole == 0) return 0;
        const std::wstring wide = widen(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        DWORD written = 0;
        return WriteConsoleW(console_, wide.c_str(), static_cast<DWORD>(wide.size()), &written,
                             nullptr)
                   ? 0
                   : -1;
    }

private:
    // The length of the pending bytes without an incomplete sequence at their end.
    std::size_t wholeSequences() const {
        std::size_t end = pending_.size();
        for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
            const auto byte = static_cast<unsigned char>(pending_[pending_.size() - back]);
            if ((byte & 0xC0) != 0x80) {
                if (byte >= 0xC0 &&
                    utf8SequenceLength(pending_, pending_.size() - back) == 0 &&
                    back < (byte >= 0xF0 ? 4u : byte >= 0xE0 ? 3u : 2u)) {
                    end = pending_.size() - back;
                }
                break;
            }
        }
        return end;
    }

    HANDLE console_;
    std::string pending_;
};

ConsoleOutput::ConsoleOutput(std::ostream& stream, unsigned long handle) : stream_(stream) {
    HANDLE output = GetStdHandle(handle);
    DWORD mode = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) {
        return;
    }
    buffer_ = std::make_unique<Buffer>(output);
    previous_ = stream.rdbuf(buffer_.get());
}

ConsoleOutput::~ConsoleOutput() {
    if (!buffer_) return;
    stream_.flush();
    stream_.rdbuf(previous_);
}

}  // namespace pictrano
