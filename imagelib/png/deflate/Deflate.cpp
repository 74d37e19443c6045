// Deflating into one zlib stream: the framing of each degree and the stored coder.
#include <new>

#include "imagelib/png/deflate/Adler32.h"
#include "imagelib/png/deflate/DeflateCodec.h"
#include "imagelib/png/deflate/MatchCoding.h"

namespace pictrano {
namespace {

constexpr std::size_t kDegree1Segment = 3276800;
constexpr std::size_t kStoredRun = 65535;
// Fixed-code block headers: BFINAL 0 or 1, BTYPE 01.
constexpr std::uint32_t kFixedBlock = 2, kFinalFixedBlock = 3;

void putHeader(BitWriter& out, std::uint8_t second) {
    out.put(0x78, 8);
    out.put(second, 8);
}

void putStored(BitWriter& out, const std::uint8_t* input, std::size_t length) {
    putHeader(out, 0x01);
    for (; length >= kStoredRun; input += kStoredRun, length -= kStoredRun) {
        out.put(0, 8);
        out.put(kStoredRun, 16);
        out.put(0, 16);
        out.putBytes(input, kStoredRun);
    }
    if (length == 0) {
        out.put(kFinalFixedBlock, 3);
        out.put(0, 7);  // the end-of-block code
        return;
    }
    out.put(1, 8);
    out.put(static_cast<std::uint32_t>(length), 16);
    out.put(static_cast<std::uint32_t>(length) ^ 0xFFFF, 16);
    out.putBytes(input, length);
}

void putDegree1(BitWriter& out, const CoderInput& input, std::size_t window, std::uint32_t* slots) {
    putHeader(out, 0x5E);
    FixedCodeWriter codes(out);
    std::size_t begin = 0;
    for (; input.length() - begin >= kDegree1Segment; begin += kDegree1Segment) {
        out.put(kFixedBlock, 3);
        codeDegree1(input, begin, begin + kDegree1Segment, window, slots, codes);
        codes.endOfBlock();
    }
    out.put(kFinalFixedBlock, 3);
    codeDegree1(input, begin, input.length(), window, slots, codes);
    codes.endOfBlock();
}

template <typename Code>
void putOneBlock(BitWriter& out, std::uint8_t headerByte, const CoderInput& input, std::uint32_t* slots,
                 Code code) {
    putHeader(out, headerByte);
    FixedCodeWriter codes(out);
    out.put(kFinalFixedBlock, 3);
    code(input, slots, codes);
    codes.endOfBlock();
}

}  // namespace

std::size_t DeflateCodec::deflate(std::uint8_t* output, std::size_t outputCapacity, const std::uint8_t* input,
                                  std::size_t inputLength, int degree, std::size_t rowWindow) {
    if ((input == nullptr && inputLength > 0) || output == nullptr || inputLength > kMaxDeflateInput) {
        errors_.set(Msg::ParameterInvalid);
        return 0;
    }
    try {
        const bool matching = degree >= 1 && degree <= 3;
        if (matching && slots_.empty()) slots_.resize(kSlotCountA + kSlotCountB);
        BitWriter out(output, outputCapacity);
        const CoderInput coderInput(input, inputLength);
        switch (degree) {
            case 1:
                putDegree1(out, coderInput, std::min<std::size_t>(rowWindow, kMaxDegree1Window), slots_.data());
                break;
            case 2:
                putOneBlock(out, 0x9C, coderInput, slots_.data(), codeDegree2);
                break;
            case 3:
                putOneBlock(out, 0xDA, coderInput, slots_.data(), codeDegree3);
                break;
            default:
                putStored(out, input, inputLength);
        }
        out.alignToByte();
        const std::uint32_t checksum = adler32(input, inputLength);
        for (int shift = 24; shift >= 0; shift -= 8) out.put((checksum >> shift) & 0xFF, 8);
        const std::size_t size = out.finish();
        if (out.overflowed()) {
            errors_.set(Msg::DataTooLong);
            return 0;
        }
        return size;
    } catch (const std::bad_alloc&) {
        errors_.set(Msg::OutOfMemory);
        return 0;
    }
}

}  // namespace pictrano
