#include "Zodavez/AssociationMonikers.h"

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

std::optional<std::string> findKey(Moniker& moniker, const char* name) {
    const unsigned int count = moniker.getKeyCount();
    for (unsigned int position = 0; position < count; ++position) {
        std::string keyName;
        if (moniker.selectKey(position) && moniker.getName(keyName) && keyName == name) {
            std::string value;
            moniker.getValue(value);
            return value;
        }
    }
    return std::nullopt;
}

std::string requireKey(Moniker& moniker, const char* name, const char* failure) {
    std::optional<std::string> value = findKey(moniker, name);
    if (!value) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure);
        throw FrameworkException(failure);
    }
    return std::move(*value);
}

std::vector<std::string> splitFields(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            return fields;
        }
        start = end + 1;
    }
}

std::string firstToken(const std::string& name) {
    return name.substr(0, name.find('_'));
}

Moniker makeMoniker(std::initializer_list<std::pair<const char*, std::string>> keys) {
    Moniker moniker;
    for (const auto& [name, value] : keys) {
        moniker.addKey(name, value);
    }
    return moniker;
}

std::optional<std::string> computerSystemName(const Instrumentation& cursor) {
    std::string name;
    if (cursor.getProperty(NodeLexicon::Name, name) || readHostName(name)) {
        return name;
    }
    return std::nullopt;
}

Moniker computerSystemMonikerFor(Instrumentation& cursor, Moniker& hostedMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" hostedMoniker=" << static_cast<const void*>(&hostedMoniker));
    const std::string systemName =
        requireKey(hostedMoniker, "SystemName", "Could not find 'System Name' Key in Moniker");
    for (cursor.selectNode(NodeLexicon::ComputerSystem); cursor; ++cursor) {
        const std::optional<std::string> name = computerSystemName(cursor);
        if (!name) {
            throw InstrumentationException("Name Property on computer not available.");
        }
        if (*name == systemName) {
            return makeMoniker({{"Name", systemName}});
        }
    }
    throw InstrumentationException("Concerned Computer Could Not Be Found.");
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
