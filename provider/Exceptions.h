// The three kinds of failure that travel inside the provider until a CMPI
// operation turns them into a status. They are siblings on purpose: callers
// catch them only as std::exception.
#pragma once

#include <exception>
#include <string>

#define QUILL_EXPORTED __attribute__((visibility("default")))

namespace Quill {

// Moniker and key handling in the model layer.
class QUILL_EXPORTED FrameworkException : public std::exception {
public:
    explicit FrameworkException(const char* message);
    explicit FrameworkException(std::string& message);
    FrameworkException(const FrameworkException& other);
    FrameworkException& operator=(const FrameworkException& other);
    ~FrameworkException() override;
    const char* what() const noexcept override;

private:
    std::string message_;
};

// The node tree cannot supply a node or property.
class QUILL_EXPORTED InstrumentationException : public std::exception {
public:
    explicit InstrumentationException(const char* message);
    explicit InstrumentationException(std::string& message);
    InstrumentationException(const InstrumentationException& other);
    InstrumentationException& operator=(const InstrumentationException& other);
    ~InstrumentationException() override;
    const char* what() const noexcept override;

private:
    std::string message_;
};

// The CMPI layer cannot obtain what the CIMOM should supply.
class QUILL_EXPORTED ProviderException : public std::exception {
public:
    explicit ProviderException(const char* message);
    explicit ProviderException(std::string& message);
    ProviderException(const ProviderException& other);
    ProviderException& operator=(const ProviderException& other);
    ~ProviderException() override;
    const char* what() const noexcept override;

private:
    std::string message_;
};

}  // namespace Quill
