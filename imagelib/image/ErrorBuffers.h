#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "imagelib/image/MessageCatalogue.h"
#include "platform/TextConversion.h"

namespace pictrano {

// The two message buffers every library object owns: Shift-JIS text for narrow callers and the
// same text in UTF-16 for wide ones. A failing operation writes one message into both; success
// leaves them as they were.
template <std::size_t WideUnits>
class BasicErrorBuffers {
public:
    static constexpr std::size_t kNarrowBytes = 128;

    void set(Msg id) { setText(shiftJisText(id), utf16Text(id)); }

    // Copies both texts, cut to the buffers' sizes; both always end in a terminator.
    void setText(const char* shiftJis, const char16_t* utf16) {
        copyTerminated(narrow_, shiftJis);
        copyTerminated(wide_, utf16);
    }

    // Takes over the messages of an inner object that failed.
    template <std::size_t OtherUnits>
    void copyFrom(const BasicErrorBuffers<OtherUnits>& inner) {
        setText(inner.narrow(), inner.wide());
    }

    const char* narrow() const { return narrow_.data(); }
    const char16_t* wide() const { return wide_.data(); }
    // The wide text as UTF-8, for front ends that show text in UTF-8.
    std::string utf8() const { return utf16ToUtf8(wide_.data()); }

private:
    template <typename Char, std::size_t N>
    static void copyTerminated(std::array<Char, N>& to, const Char* from) {
        std::size_t i = 0;
        for (; from[i] != 0 && i + 1 < N; ++i) to[i] = from[i];
        to[i] = 0;
    }

    std::array<char, kNarrowBytes> narrow_{};
    std::array<char16_t, WideUnits> wide_{};
};

using ErrorBuffers = BasicErrorBuffers<128>;

}  // namespace pictrano
