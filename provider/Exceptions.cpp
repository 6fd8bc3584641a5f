#include "Exceptions.h"

namespace Quill {

namespace {
// A null text is an empty message rather than a crash.
std::string messageOf(const char* text) { return text != nullptr ? std::string(text) : std::string(); }
}  // namespace

// The three classes share their whole behaviour; only the name differs.
#define QUILL_DEFINE_EXCEPTION(Name)                                                  \
    Name::Name(const char* message) : message_(messageOf(message)) {}                 \
    Name::Name(std::string& message) : message_(message) {}                           \
    Name::Name(const Name& other) : std::exception(other), message_(other.message_) {} \
    Name& Name::operator=(const Name& other) {                                        \
        std::exception::operator=(other);                                             \
        message_ = other.message_;                                                    \
        return *this;                                                                 \
    }                                                                                 \
    Name::~Name() = default;                                                          \
    const char* Name::what() const noexcept { return message_.c_str(); }

QUILL_DEFINE_EXCEPTION(FrameworkException)
QUILL_DEFINE_EXCEPTION(InstrumentationException)
QUILL_DEFINE_EXCEPTION(ProviderException)

#undef QUILL_DEFINE_EXCEPTION

}  // namespace Quill
