#include "nxlogger.h"

#include <charconv>
#include <cstdint>

namespace NxLog {

namespace {

// Bypasses the stream's formatting flags so that a caller's std::hex or
// std::showpos cannot change how numbers and addresses read in a record.
template <typename Number>
void writeNumber(std::ostream& out, Number number, int base) {
    char digits[32];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), number, base);
    out.write(digits, result.ptr - digits);
}

}  // namespace

NxMessageBuffer::NxMessageBuffer() = default;

NxMessageBuffer::~NxMessageBuffer() = default;

NxMessageBuffer& NxMessageBuffer::operator<<(const char* text) {
    // Streaming a null char pointer into a std::ostream is undefined.
    static constexpr char kNullText[] = "(null)";
    const char* const shown = text != nullptr ? text : kNullText;
    write(shown, static_cast<std::streamsize>(std::char_traits<char>::length(shown)));
    return *this;
}

NxMessageBuffer& NxMessageBuffer::operator<<(char character) {
    put(character);
    return *this;
}

NxMessageBuffer& NxMessageBuffer::operator<<(const std::string& text) {
    write(text.data(), static_cast<std::streamsize>(text.size()));
    return *this;
}

NxMessageBuffer& NxMessageBuffer::operator<<(const void* address) {
    write("0x", 2);
    writeNumber(*this, reinterpret_cast<std::uintptr_t>(address), 16);
    return *this;
}

NxMessageBuffer& NxMessageBuffer::operator<<(long long number) {
    writeNumber(*this, number, 10);
    return *this;
}

NxMessageBuffer& NxMessageBuffer::operator<<(unsigned long long number) {
    writeNumber(*this, number, 10);
    return *this;
}

const std::string& NxMessageBuffer::str(NxMessageBuffer& buffer) {
    buffer.snapshot_ = buffer.std::ostringstream::str();
    return buffer.snapshot_;
}

const std::string& NxMessageBuffer::str(std::ostream& stream) {
    static const std::string kNoText;
    auto* const buffer = dynamic_cast<NxMessageBuffer*>(&stream);
    return buffer != nullptr ? str(*buffer) : kNoText;
}

}  // namespace NxLog
