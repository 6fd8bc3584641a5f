// The broker's object factories and utilities.
#include "cmpi/args_handle.h"
#include "cmpi/array_handle.h"
#include "cmpi/broker_messages.h"
#include "cmpi/broker_tables.h"
#include "cmpi/datetime_handle.h"
#include "cmpi/error_handle.h"
#include "cmpi/handle_identity.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/property_list.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"
#include "ovx/host/class_registry.h"
#include "ovx/host/names.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

namespace ovx::host::detail {

namespace {

HandleBase& requireObject(const void* object) {
    if (object == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "null object");
    }
    HandleBase* handle = identifyHandle(object);
    if (handle == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_HANDLE, "the object was not made by this host");
    }
    return *handle;
}

namespace {

// A new instance starts with the initial values of its class, as in a CIMOM
// that builds instances from its class repository; the declaration nearest
// the class decides, so an override without a value has none.
void setDefaults(const ClassRegistry& registry, const std::string& className, Instance& instance) {
    std::vector<std::string> seen;
    const auto isSeen = [&seen](const std::string& name) {
        return std::any_of(seen.begin(), seen.end(),
                           [&name](const std::string& other) { return namesEqual(other, name); });
    };
    for (const auto& decl : registry.lineage(className)) {
        for (const PropertyDecl& property : decl->properties) {
            if (isSeen(property.name)) {
                continue;
            }
            seen.push_back(property.name);
            for (const auto& [name, value] : decl->defaults) {
                if (namesEqual(name, property.name)) {
                    instance.setProperty(property.name, value);
                }
            }
        }
    }
}

}  // namespace

CMPIInstance* newInstance(const CMPIBroker* mb, const CMPIObjectPath* op, CMPIStatus* rc) {
    return guardValue<CMPIInstance*>(rc, nullptr, [&] {
        Broker& broker = requireBroker(mb);
        const ObjectPath& path = requireHandle<ObjectPathHandle>(op, "CMPIObjectPath").path;
        Instance instance(path);
        if (broker.registry() != nullptr) {
            setDefaults(*broker.registry(), path.className(), instance);
        }
        for (const auto& [name, value] : path.keys()) {
            instance.setProperty(name, value);
        }
        return &make<InstanceHandle>(currentArena(), std::move(instance), broker.registry());
    });
}

CMPIObjectPath* newObjectPath(const CMPIBroker* mb, const char* ns, const char* cn,
                              CMPIStatus* rc) {
    return guardValue<CMPIObjectPath*>(rc, nullptr, [&] {
        Broker& broker = requireBroker(mb);
        ObjectPath path(ns == nullptr ? "" : ns, requireText(cn, "class name"));
        return &make<ObjectPathHandle>(currentArena(), std::move(path), broker.registry());
    });
}

CMPIArgs* newArgs(const CMPIBroker* mb, CMPIStatus* rc) {
    return guardValue<CMPIArgs*>(rc, nullptr, [&] {
        Broker& broker = requireBroker(mb);
        return &make<ArgsHandle>(currentArena(), Arguments{}, broker.registry());
    });
}

CMPIString* newStringSlot(const CMPIBroker* mb, const char* data, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        requireBroker(mb);
        return newString(currentArena(), requireText(data, "text"));
    });
}

CMPIArray* newArray(const CMPIBroker* mb, CMPICount max, CMPIType type, CMPIStatus* rc) {
    return guardValue<CMPIArray*>(rc, nullptr, [&] {
        Broker& broker = requireBroker(mb);
        // Some providers pass the array code; the element type is meant.
        const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
        const Value empty = Value::null(element);
        if (empty.type() == CMPI_null) {
            throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE, "an array needs an element type");
        }
        return &make<ArrayHandle>(currentArena(), empty.type(), std::vector<Value>(max, empty),
                                  broker.registry());
    });
}

CMPIDateTime* newDateTime(const CMPIBroker* mb, CMPIStatus* rc) {
    return guardValue<CMPIDateTime*>(rc, nullptr, [&] {
        requireBroker(mb);
        return &make<DateTimeHandle>(currentArena(), CimDateTime::now());
    });
}

CMPIDateTime* newDateTimeFromBinary(const CMPIBroker* mb, CMPIUint64 binTime, CMPIBoolean interval,
                                    CMPIStatus* rc) {
    return guardValue<CMPIDateTime*>(rc, nullptr, [&] {
        requireBroker(mb);
        return &make<DateTimeHandle>(currentArena(),
                                     CimDateTime::fromMicroseconds(binTime, interval != 0));
    });
}

CMPIDateTime* newDateTimeFromChars(const CMPIBroker* mb, const char* text, CMPIStatus* rc) {
    return guardValue<CMPIDateTime*>(rc, nullptr, [&] {
        requireBroker(mb);
        return &make<DateTimeHandle>(currentArena(),
                                     CimDateTime::parse(requireText(text, "datetime text")));
    });
}

CMPISelectExp* newSelectExp(const CMPIBroker* mb, const char*, const char*, CMPIArray**,
                            CMPIStatus* rc) {
    return guardValue<CMPISelectExp*>(rc, nullptr, [&]() -> CMPISelectExp* {
        requireBroker(mb);
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "the host does not evaluate queries");
    });
}

CMPIBoolean classPathIsA(const CMPIBroker* mb, const CMPIObjectPath* op, const char* type,
                         CMPIStatus* rc) {
    return guardValue<CMPIBoolean>(rc, 0, [&] {
        Broker& broker = requireBroker(mb);
        const ObjectPath& path = requireHandle<ObjectPathHandle>(op, "CMPIObjectPath").path;
        const char* base = requireText(type, "class name");
        const bool derived = broker.registry() != nullptr
                                 ? broker.registry()->isA(path.className(), base)
                                 : namesEqual(path.className(), base);
        return derived ? 1 : 0;
    });
}

CMPIString* toString(const CMPIBroker* mb, const void* object, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        requireBroker(mb);
        return newString(currentArena(), requireObject(object).describe());
    });
}

CMPIBoolean isOfType(const CMPIBroker* mb, const void* object, const char* type, CMPIStatus* rc) {
    return guardValue<CMPIBoolean>(rc, 0, [&] {
        requireBroker(mb);
        const HandleBase& handle = requireObject(object);
        return std::strcmp(handle.typeName(), requireText(type, "type name")) == 0 ? 1 : 0;
    });
}

CMPIString* getType(const CMPIBroker* mb, const void* object, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        requireBroker(mb);
        return newString(currentArena(), requireObject(object).typeName());
    });
}

// Leaves a note in rc when an argument could not be read, yet still gives
// the text as far as it got.
CMPIString* messageString(CMPIStatus* rc, const char* msgId, const char* defMsg, CMPICount count,
                          va_list args) {
    try {
        CMPIrc problem = CMPI_RC_OK;
        std::string text = formatMessage(defMsg != nullptr ? defMsg : msgId, count, args, problem);
        CMPIString* message = newString(currentArena(), std::move(text));
        setStatus(rc, problem,
                  problem == CMPI_RC_OK ? "" : "a message argument has an unknown type");
        return message;
    } catch (...) {
        reportCurrentException(rc);
        return nullptr;
    }
}

CMPIString* getMessage(const CMPIBroker* mb, const char* msgId, const char* defMsg, CMPIStatus* rc,
                       CMPICount count, ...) {
    if (Broker::fromCmpi(mb) == nullptr) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE, "the CMPIBroker is not this host's");
        return nullptr;
    }
    va_list args;
    va_start(args, count);
    CMPIString* message = messageString(rc, msgId, defMsg, count, args);
    va_end(args);
    return message;
}

std::string textOfRecord(const char* text, const CMPIString* string) {
    if (text != nullptr) {
        return text;
    }
    if (string != nullptr) {
        return textOf(string);
    }
    throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "neither text nor string given");
}

CMPIStatus logMessage(const CMPIBroker* mb, int severity, const char* id, const char* text,
                      const CMPIString* string) {
    return guardStatus([&] {
        requireBroker(mb);
        writeLogMessage(severity, id == nullptr ? Broker::kName : id, textOfRecord(text, string));
    });
}

CMPIStatus trace(const CMPIBroker* mb, int level, const char* component, const char* text,
                 const CMPIString* string) {
    return guardStatus([&] {
        requireBroker(mb);
        writeTraceMessage(level, component == nullptr ? Broker::kName : component,
                          textOfRecord(text, string));
    });
}

CMPIError* newCMPIError(const CMPIBroker* mb, const char* owner, const char* msgID, const char* msg,
                        const CMPIErrorSeverity sev, const CMPIErrorProbableCause pc,
                        const CMPIrc cimStatusCode, CMPIStatus* rc) {
    return guardValue<CMPIError*>(rc, nullptr, [&] {
        requireBroker(mb);
        ErrorInfo info;
        info.owningEntity = optionalText(owner);
        info.messageId = optionalText(msgID);
        info.message = optionalText(msg);
        info.perceivedSeverity = sev;
        info.probableCause = pc;
        info.cimStatusCode = cimStatusCode;
        return &make<ErrorHandle>(currentArena(), std::move(info));
    });
}

CMPIStatus openMessageFile(const CMPIBroker* mb, const char* msgFile,
                           CMPIMsgFileHandle* msgFileHandle) {
    return guardStatus([&] {
        Broker& broker = requireBroker(mb);
        const char* path = requireText(msgFile, "message file name");
        if (msgFileHandle == nullptr) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "null message file handle pointer");
        }
        *msgFileHandle = broker.openMessageFile(path);
    });
}

CMPIStatus closeMessageFile(const CMPIBroker* mb, const CMPIMsgFileHandle msgFileHandle) {
    return guardStatus([&] {
        if (!requireBroker(mb).closeMessageFile(msgFileHandle)) {
            throw CimError(CMPI_RC_ERR_INVALID_HANDLE, "the message file is not open");
        }
    });
}

CMPIString* getMessage2(const CMPIBroker* mb, const char* msgId,
                        const CMPIMsgFileHandle msgFileHandle, const char* defMsg, CMPIStatus* rc,
                        CMPICount count, ...) {
    const Broker* broker = Broker::fromCmpi(mb);
    if (broker == nullptr) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE, "the CMPIBroker is not this host's");
        return nullptr;
    }
    if (msgFileHandle != nullptr && !broker->isOpenMessageFile(msgFileHandle)) {
        setStatus(rc, CMPI_RC_ERR_INVALID_HANDLE, "the message file is not open");
        return nullptr;
    }
    va_list args;
    va_start(args, count);
    CMPIString* message = messageString(rc, msgId, defMsg, count, args);
    va_end(args);
    return message;
}

}  // namespace

CMPIBrokerEncFT brokerEncodingTable = {CMPICurrentVersion,
                                       newInstance,
                                       newObjectPath,
                                       newArgs,
                                       newStringSlot,
                                       newArray,
                                       newDateTime,
                                       newDateTimeFromBinary,
                                       newDateTimeFromChars,
                                       newSelectExp,
                                       classPathIsA,
                                       toString,
                                       isOfType,
                                       getType,
                                       getMessage,
                                       logMessage,
                                       trace,
                                       newCMPIError,
                                       openMessageFile,
                                       closeMessageFile,
                                       getMessage2};

}  // namespace ovx::host::detail
