#include "CMPI/CMPIProtocolEndpoint.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Endpoint = IPprotocolEndpoint;

// CIM RequestedState values the method accepts: enable, disable, reset.
constexpr unsigned short kEnable = 2;
constexpr unsigned short kDisable = 3;
constexpr unsigned short kReset = 11;

// CIM AddressOrigin values a client may apply: static, DHCP.
constexpr unsigned short kStaticOrigin = 3;
constexpr unsigned short kDhcpOrigin = 4;

using EndpointChanges = NodeChanges<Endpoint>;

std::optional<ModifyValue> currentOrigin(const EndpointChanges& changes) {
    unsigned short origin = 0;
    changes.model.getAddressOrigin(origin);
    return ModifyValue(origin);
}

template <bool (Endpoint::*getter)(std::string&) const>
std::optional<ModifyValue> currentText(const EndpointChanges& changes) {
    std::string text;
    if (!(changes.model.*getter)(text)) {
        return std::nullopt;
    }
    return ModifyValue(std::move(text));
}

void checkAddress(const EndpointChanges& changes, const char* name, const ModifyValue& value,
                  ModificationPlan& plan) {
    plan.checkHostAddress(name, std::get<std::string>(value));
    plan.checkWritable(name, changes.model.canSetIPv4Address(), changes.model.readOnlyNote());
}

void checkMask(const EndpointChanges& changes, const char* name, const ModifyValue& value,
               ModificationPlan& plan) {
    plan.checkSubnetMask(name, std::get<std::string>(value));
    plan.checkWritable(name, changes.model.canSetSubnetMask(), changes.model.readOnlyNote());
}

void checkOrigin(const EndpointChanges& changes, const char* name, const ModifyValue& value,
                 ModificationPlan& plan) {
    const unsigned short origin = std::get<unsigned short>(value);
    if (origin != kStaticOrigin && origin != kDhcpOrigin) {
        plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER,
                    std::string("Invalid value for property '") + name +
                        "': only 3 (static) and 4 (DHCP) can be applied");
    }
    plan.checkWritable(name, changes.model.canSetAddressOrigin(), changes.model.readOnlyNote());
}

template <void (Endpoint::*stage)(std::string, PropertyChanges&) const>
void stageText(EndpointChanges& changes, const ModifyValue& value) {
    (changes.model.*stage)(std::get<std::string>(value), changes.writes);
}

void stageOrigin(EndpointChanges& changes, const ModifyValue& value) {
    changes.model.stageAddressOrigin(std::get<unsigned short>(value), changes.writes);
}

const std::array<ModifiableProperty<EndpointChanges>, 3> kModifiable{{
    {"AddressOrigin", CMPI_uint16, &currentOrigin, &checkOrigin, &stageOrigin},
    {"IPv4Address", CMPI_string, &currentText<&Endpoint::getIPv4Address>, &checkAddress,
     &stageText<&Endpoint::stageIPv4Address>},
    {"SubnetMask", CMPI_string, &currentText<&Endpoint::getSubnetMask>, &checkMask,
     &stageText<&Endpoint::stageSubnetMask>},
}};

constexpr CMPIUint32 kMethodSucceeded = 0;
constexpr CMPIUint32 kMethodFailed = 4;

constexpr const char* kJobClassName = "OVX_ConcreteJob";
constexpr const char* kJobInstanceId = "IPConfigSvcJob:1";

}  // namespace

const char* const CMPIProtocolEndpoint::kTraceName =
    "Quill::IPInterfaceProvider::CMPIProtocolEndpoint";
const char* const CMPIProtocolEndpoint::kTraceFile = __FILE__;

const std::array<KeyGetter<Endpoint>, 4> CMPIProtocolEndpoint::kKeys{{
    {"SystemCreationClassName", &Endpoint::getSystemCreationClassName},
    {"SystemName", &Endpoint::getSystemName},
    {"CreationClassName", &Endpoint::getCreationClassName},
    {"Name", &Endpoint::getName},
}};

const std::array<KeyFilter, 2> CMPIProtocolEndpoint::kKeyFilters{{
    {"SystemName", Endpoint::kSystemNameFilter},
    {"Name", Endpoint::kNameFilter},
}};

CMPIInstance* CMPIProtocolEndpoint::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    CMPIInstance* const instance = ProviderUtilities::createInstance(broker, getObjectPath());
    if (instance == nullptr) {
        return nullptr;
    }
    PropertyWriter writer(broker, instance);
    writer.set("ElementName", model, &Endpoint::getName);
    writer.set("Description", model, &Endpoint::getDescription);
    writer.set("IPv4Address", model, &Endpoint::getIPv4Address);
    writer.set("IPv6Address", model, &Endpoint::getIPv6Address);
    writer.set("SubnetMask", model, &Endpoint::getSubnetMask);
    writer.set("PrefixLength", model, &Endpoint::getPrefixLength);
    writer.set("IPv6SubnetPrefixLength", model, &Endpoint::getIPv6SubnetPrefixLength);
    writer.set("AddressType", model, &Endpoint::getAddressType);
    writer.set("IPv6AddressType", model, &Endpoint::getIPv6AddressType);
    writer.set("IPVersionSupport", model, &Endpoint::getIPVersionSupport);
    writer.set("ProtocolIFType", model, &Endpoint::getProtocolIFType);
    writer.set("EnabledState", model, &Endpoint::getEnabledState);
    writer.set("RequestedState", model, &Endpoint::getRequestedState);
    if (const auto origin = writer.set("AddressOrigin", model, &Endpoint::getAddressOrigin)) {
        QUILL_TRACE_VALUE("IPOrigin in u16", *origin);
    }
    writer.set("SystemCreationClassName", model, &Endpoint::getSystemCreationClassName);
    writer.set("SystemName", model, &Endpoint::getSystemName);
    writer.set("CreationClassName", model, &Endpoint::getCreationClassName);
    writer.set("Name", model, &Endpoint::getName);
    writer.set("NameFormat", model, &Endpoint::getNameFormat);
    return instance;
}

void CMPIProtocolEndpoint::initialize() {
    QUILL_TRACE_ENTER();
    model.initialize();
}

CMPIStatus CMPIProtocolEndpoint::modifyInstance(const CMPIInstance* newInstance,
                                                const char** properties) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance)
                                             << " properties="
                                             << static_cast<const void*>(properties));
    // The object already stands on the element the request's path names; the
    // instance carries its own path, and only an element that both name is
    // changed, so a client cannot write one endpoint under another's name.
    if (const auto end = positionOnInstance(*this, broker, newInstance, kClassName, "objstring")) {
        return *end;
    }
    EndpointChanges changes{model, {}};
    return modifyByTable(broker, newInstance, properties, changes, kModifiable);
}

CMPIUint32 CMPIProtocolEndpoint::executeMethod(const CMPIArgs* in, CMPIArgs* out,
                                               CMPIStatus* status) {
    QUILL_TRACE_ENTER_PARAMS(" in=" << static_cast<const void*>(in)
                                    << " out=" << static_cast<const void*>(out)
                                    << " status=" << static_cast<const void*>(status));
    const CMPIData requested = in != nullptr ? CMGetArg(in, "RequestedState", status) : CMPIData{};
    if (requested.type != CMPI_uint16 || CMIsNullValue(requested)) {
        CMSetStatusWithChars(broker, status, CMPI_RC_ERR_INVALID_PARAMETER,
                             "Invalid Type of Parameter");
        return kMethodFailed;
    }
    // A null or absent timeout means no time requirement, as the class
    // defines it; only a value of another type is refused.
    CMPIStatus timeoutStatus = okStatus();
    const CMPIData timeout =
        in != nullptr ? CMGetArg(in, "TimeoutPeriod", &timeoutStatus) : CMPIData{};
    const bool noTimeout = in == nullptr || timeoutStatus.rc != CMPI_RC_OK ||
                           timeout.type == CMPI_null ||
                           (timeout.state & (CMPI_nullValue | CMPI_notFound)) != 0;
    if (!noTimeout && timeout.type != CMPI_dateTime) {
        CMSetStatusWithChars(broker, status, CMPI_RC_ERR_INVALID_PARAMETER,
                             "Invalid Type of TimeOut Parameter");
        return kMethodFailed;
    }
    const unsigned short requestedState = requested.value.uint16;
    QUILL_TRACE_VARIABLE(requestedState);
    if (requestedState != kEnable && requestedState != kDisable && requestedState != kReset) {
        CMSetStatusWithChars(broker, status, CMPI_RC_ERR_FAILED,
                             "Invalid Value of RequestedState Parameter");
        return kMethodFailed;
    }
    if (!model.setEnabledState(requestedState)) {
        const std::string why = model.readOnlyNote();
        if (why.empty()) {
            CMSetStatus(status, CMPI_RC_ERR_FAILED);
        } else {
            CMSetStatusWithChars(broker, status, CMPI_RC_ERR_FAILED,
                                 ("The state cannot be changed: " + why).c_str());
        }
        return kMethodFailed;
    }

    QUILL_TRACE_MESSAGE(Trace::kInfoLevel, "Calling CMNewObjectPath for ConcreteJob");
    CMPIObjectPath* const job =
        broker != nullptr ? CMNewObjectPath(broker, nameSpace.c_str(), kJobClassName, status)
                          : nullptr;
    if (job != nullptr && job->hdl != nullptr) {
        const bool keyed = CMAddKey(job, "InstanceID", kJobInstanceId, CMPI_chars).rc == CMPI_RC_OK;
        const bool added =
            keyed && out != nullptr && CMAddArg(out, "Job", &job, CMPI_ref).rc == CMPI_RC_OK;
        if (added) {
            QUILL_TRACE_MESSAGE(Trace::kInfoLevel, "Job Created Successfully");
        } else {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel, "The Job reference could not be returned");
        }
    }
    return kMethodSucceeded;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
