#include "ovx/host/mof/provider_registration.h"

#include "source_text.h"

#include "ovx/host/names.h"

#include <algorithm>
#include <cctype>

namespace ovx::host::mof {

namespace fs = std::filesystem;
using detail::isNamespaceName;

namespace {

[[noreturn]] void fail(const SourceLocation& where, const std::string& message) {
    throw SourceError(where, message);
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\f\v");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\f\v");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> result;
    std::size_t position = 0;
    while (position < text.size()) {
        const auto start = text.find_first_not_of(" \t,", position);
        if (start == std::string_view::npos) {
            break;
        }
        const auto end = text.find_first_of(" \t,", start);
        result.emplace_back(text.substr(start, end - start));
        position = end == std::string_view::npos ? text.size() : end;
    }
    return result;
}

// A library base name: no directories, nothing a shell or loader would
// read as a path.
bool isLibraryBaseName(std::string_view name) {
    return !name.empty() && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' ||
                      c == '.' || c == '+';
           });
}

bool isClassName(std::string_view name) {
    const std::size_t underscore = name.find('_');
    return isCimIdentifier(name) && underscore != std::string_view::npos && underscore > 0 &&
           underscore + 1 < name.size();
}

class RegistrationParser {
  public:
    RegistrationParser(std::string_view text, std::string sourceName)
        : text_(text), source_(std::move(sourceName)) {}

    std::vector<ProviderRegistration> run() {
        std::size_t position = 0;
        while (position <= text_.size()) {
            const std::size_t newline = text_.find('\n', position);
            const std::size_t end = newline == std::string_view::npos ? text_.size() : newline;
            ++lineNumber_;
            parseLine(trim(text_.substr(position, end - position)));
            if (newline == std::string_view::npos) {
                break;
            }
            position = newline + 1;
        }
        finishSection();
        return std::move(entries_);
    }

  private:
    SourceLocation here(unsigned column = 0) const {
        return SourceLocation{source_, lineNumber_, column};
    }

    // No value may contain '#', so a comment may follow anything on a line.
    void parseLine(std::string_view line) {
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            return;
        }
        if (line.front() == '[') {
            startSection(line);
            return;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            fail(here(),
                 "expected '[ClassName]' or 'key: value', found \"" + std::string(line) + "\"");
        }
        if (!current_) {
            fail(here(), "'" + std::string(trim(line.substr(0, colon))) +
                             "' comes before any [ClassName] section");
        }
        setKey(std::string(trim(line.substr(0, colon))), trim(line.substr(colon + 1)));
    }

    void startSection(std::string_view line) {
        if (line.back() != ']') {
            fail(here(), "section header must end with ']'");
        }
        const std::string className(trim(line.substr(1, line.size() - 2)));
        if (!isClassName(className)) {
            fail(here(), "\"" + className + "\" is not a class name (Schema_ClassName)");
        }
        finishSection();
        current_ = ProviderRegistration{};
        current_->className = className;
        current_->where = here();
        seenKeys_.clear();
        typeGiven_ = false;
    }

    void setKey(const std::string& key, std::string_view value) {
        for (const std::string& seen : seenKeys_) {
            if (namesEqual(seen, key)) {
                fail(here(), "'" + key + "' given twice in section [" + current_->className + "]");
            }
        }
        seenKeys_.push_back(key);
        if (value.empty()) {
            fail(here(), "'" + key + "' needs a value");
        }
        const std::vector<std::string> values = words(value);
        if (namesEqual(key, "provider")) {
            requireSingle(key, values);
            if (!isCimIdentifier(values.front())) {
                fail(here(), "provider name \"" + values.front() +
                                 "\" must be an identifier (it prefixes the library's "
                                 "_Create_<Kind>MI functions)");
            }
            current_->providerName = values.front();
        } else if (namesEqual(key, "location")) {
            requireSingle(key, values);
            if (!isLibraryBaseName(values.front())) {
                fail(here(), "location \"" + values.front() +
                                 "\" must be a library base name without directories, such as "
                                 "IPInterfaceProvider for libIPInterfaceProvider.so");
            }
            current_->location = values.front();
        } else if (namesEqual(key, "type")) {
            setTypes(values);
        } else if (namesEqual(key, "namespace")) {
            for (const std::string& name : values) {
                if (!isNamespaceName(name)) {
                    fail(here(), "\"" + name + "\" is not a namespace name (such as root/cimv2)");
                }
            }
            current_->namespaces = values;
        } else {
            fail(here(), "unknown key '" + key +
                             "'; expected provider, location, type or "
                             "namespace");
        }
    }

    void requireSingle(const std::string& key, const std::vector<std::string>& values) const {
        if (values.size() != 1) {
            fail(here(), "'" + key + "' takes one name");
        }
    }

    void setTypes(const std::vector<std::string>& values) {
        typeGiven_ = true;
        for (const std::string& type : values) {
            if (namesEqual(type, "instance")) {
                current_->instance = true;
            } else if (namesEqual(type, "association")) {
                current_->association = true;
            } else if (namesEqual(type, "method")) {
                current_->method = true;
            } else if (namesEqual(type, "indication")) {
                fail(here(), "indication providers are not supported by the host");
            } else {
                fail(here(), "unknown provider type '" + type +
                                 "'; expected instance, association or method");
            }
        }
    }

    void finishSection() {
        if (!current_) {
            return;
        }
        ProviderRegistration& entry = *current_;
        const auto missing = [&entry](const char* key) {
            fail(entry.where, "section [" + entry.className + "] lacks '" + key + "'");
        };
        if (entry.providerName.empty()) {
            missing("provider");
        }
        if (entry.location.empty()) {
            missing("location");
        }
        if (!typeGiven_) {
            missing("type");
        }
        if (entry.namespaces.empty()) {
            entry.namespaces.emplace_back("root/cimv2");
        }
        for (const ProviderRegistration& earlier : entries_) {
            if (!namesEqual(earlier.className, entry.className)) {
                continue;
            }
            for (const std::string& name : entry.namespaces) {
                if (earlier.servesNamespace(name)) {
                    fail(entry.where, "class " + entry.className + " in namespace " + name +
                                          " is already registered at " + earlier.where.toString());
                }
            }
        }
        entries_.push_back(std::move(entry));
        current_.reset();
    }

    std::string_view text_;
    std::string source_;
    unsigned lineNumber_ = 0;
    std::optional<ProviderRegistration> current_;
    std::vector<std::string> seenKeys_;
    bool typeGiven_ = false;
    std::vector<ProviderRegistration> entries_;
};

}  // namespace

bool ProviderRegistration::servesNamespace(std::string_view nameSpace) const {
    return std::any_of(namespaces.begin(), namespaces.end(), [nameSpace](const std::string& name) {
        return namesEqual(name, nameSpace);
    });
}

const ProviderRegistration* ProviderRegistrations::find(std::string_view nameSpace,
                                                        std::string_view className) const {
    for (const ProviderRegistration& entry : entries_) {
        if (namesEqual(entry.className, className) && entry.servesNamespace(nameSpace)) {
            return &entry;
        }
    }
    return nullptr;
}

std::vector<const ProviderRegistration*> ProviderRegistrations::ofProvider(
    std::string_view providerName) const {
    std::vector<const ProviderRegistration*> found;
    for (const ProviderRegistration& entry : entries_) {
        if (namesEqual(entry.providerName, providerName)) {
            found.push_back(&entry);
        }
    }
    return found;
}

std::vector<std::string> ProviderRegistrations::locations() const {
    std::vector<std::string> names;
    for (const ProviderRegistration& entry : entries_) {
        if (std::find(names.begin(), names.end(), entry.location) == names.end()) {
            names.push_back(entry.location);
        }
    }
    return names;
}

ProviderRegistrations parseProviderRegistrationText(std::string_view text,
                                                    const std::string& sourceName) {
    return ProviderRegistrations(RegistrationParser(text, sourceName).run());
}

ProviderRegistrations parseProviderRegistrations(const fs::path& file) {
    std::error_code error;
    if (fs::is_directory(file, error)) {
        fail(SourceLocation{file.string(), 0, 0}, "is a directory, not a registration file");
    }
    return parseProviderRegistrationText(detail::readSourceFile(file, file.string()),
                                         file.string());
}

void checkRegistrations(const ProviderRegistrations& registrations, const ClassRegistry& registry) {
    for (const ProviderRegistration& entry : registrations.entries()) {
        const auto decl = registry.find(entry.className);
        if (!decl) {
            fail(entry.where, "class " + entry.className + " is not defined in the loaded MOF");
        }
        if (entry.association && !decl->isAssociation()) {
            fail(entry.where, "class " + entry.className +
                                  " is not an association but is registered for the association "
                                  "type");
        }
        if (decl->isAbstract()) {
            fail(entry.where,
                 "class " + entry.className + " is abstract and has no instances to serve");
        }
    }
}

std::optional<fs::path> findProviderLibrary(const ProviderRegistration& registration,
                                            const std::vector<fs::path>& searchPath) {
    const std::string fileName = registration.libraryFileName();
    for (const fs::path& directory : searchPath) {
        const fs::path candidate = directory / fileName;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace ovx::host::mof
