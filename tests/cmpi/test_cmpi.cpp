// Binary-interface checks for the CMPI 2.0 headers: layouts on LP64, the
// numeric values brokers rely on, and the behaviour of the convenience
// macros against small fake function tables.
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "cmpift.h"
#include "cmpimacs.h"
#include "c_compile_check.h"

namespace {

// ---- Layout ----------------------------------------------------------------

#define EXPECT_SIZE(type, size) static_assert(sizeof(type) == (size), "sizeof " #type)
#define EXPECT_OFFSET(type, member, off) \
    static_assert(offsetof(type, member) == (off), "offsetof " #type "::" #member)

template <typename T>
constexpr bool isHandleShaped() {
    return sizeof(T) == 16 && offsetof(T, hdl) == 0 && offsetof(T, ft) == 8;
}

static_assert(sizeof(void*) == 8 && sizeof(int) == 4, "these checks describe LP64");

EXPECT_SIZE(CMPIValue, 16);
static_assert(alignof(CMPIValue) == 8, "CMPIValue alignment");
EXPECT_SIZE(CMPIValuePtr, 16);
EXPECT_OFFSET(CMPIValuePtr, length, 8);
EXPECT_SIZE(CMPIData, 24);
static_assert(alignof(CMPIData) == 8, "CMPIData alignment");
EXPECT_OFFSET(CMPIData, type, 0);
EXPECT_OFFSET(CMPIData, state, 2);
EXPECT_OFFSET(CMPIData, value, 8);
EXPECT_SIZE(CMPIStatus, 16);
EXPECT_OFFSET(CMPIStatus, rc, 0);
EXPECT_OFFSET(CMPIStatus, msg, 8);

EXPECT_SIZE(CMPIBroker, 40);
EXPECT_OFFSET(CMPIBroker, bft, 8);
EXPECT_OFFSET(CMPIBroker, eft, 16);
EXPECT_OFFSET(CMPIBroker, xft, 24);
EXPECT_OFFSET(CMPIBroker, mft, 32);

static_assert(isHandleShaped<CMPIContext>() && isHandleShaped<CMPIResult>() &&
                  isHandleShaped<CMPIString>() && isHandleShaped<CMPIArray>() &&
                  isHandleShaped<CMPIEnumeration>() && isHandleShaped<CMPIInstance>() &&
                  isHandleShaped<CMPIObjectPath>() && isHandleShaped<CMPIArgs>() &&
                  isHandleShaped<CMPIDateTime>() && isHandleShaped<CMPISelectExp>() &&
                  isHandleShaped<CMPISelectCond>() && isHandleShaped<CMPISubCond>() &&
                  isHandleShaped<CMPIPredicate>() && isHandleShaped<CMPIError>(),
              "encapsulated objects are {hdl, ft}");
static_assert(isHandleShaped<CMPIInstanceMI>() && isHandleShaped<CMPIAssociationMI>() &&
                  isHandleShaped<CMPIMethodMI>() && isHandleShaped<CMPIPropertyMI>() &&
                  isHandleShaped<CMPIIndicationMI>(),
              "MI structs are {hdl, ft}");

// The broker service table, slot by slot: execQuery sits in an unusual place.
EXPECT_SIZE(CMPIBrokerFT, 160);
EXPECT_OFFSET(CMPIBrokerFT, brokerCapabilities, 0);
EXPECT_OFFSET(CMPIBrokerFT, brokerVersion, 4);
EXPECT_OFFSET(CMPIBrokerFT, brokerName, 8);
EXPECT_OFFSET(CMPIBrokerFT, prepareAttachThread, 16);
EXPECT_OFFSET(CMPIBrokerFT, attachThread, 24);
EXPECT_OFFSET(CMPIBrokerFT, detachThread, 32);
EXPECT_OFFSET(CMPIBrokerFT, deliverIndication, 40);
EXPECT_OFFSET(CMPIBrokerFT, enumerateInstanceNames, 48);
EXPECT_OFFSET(CMPIBrokerFT, getInstance, 56);
EXPECT_OFFSET(CMPIBrokerFT, createInstance, 64);
EXPECT_OFFSET(CMPIBrokerFT, modifyInstance, 72);
EXPECT_OFFSET(CMPIBrokerFT, deleteInstance, 80);
EXPECT_OFFSET(CMPIBrokerFT, execQuery, 88);
EXPECT_OFFSET(CMPIBrokerFT, enumerateInstances, 96);
EXPECT_OFFSET(CMPIBrokerFT, associators, 104);
EXPECT_OFFSET(CMPIBrokerFT, associatorNames, 112);
EXPECT_OFFSET(CMPIBrokerFT, references, 120);
EXPECT_OFFSET(CMPIBrokerFT, referenceNames, 128);
EXPECT_OFFSET(CMPIBrokerFT, invokeMethod, 136);
EXPECT_OFFSET(CMPIBrokerFT, setProperty, 144);
EXPECT_OFFSET(CMPIBrokerFT, getProperty, 152);

EXPECT_SIZE(CMPIBrokerEncFT, 168);
EXPECT_OFFSET(CMPIBrokerEncFT, newInstance, 8);
EXPECT_OFFSET(CMPIBrokerEncFT, newString, 32);
EXPECT_OFFSET(CMPIBrokerEncFT, getMessage, 112);
EXPECT_OFFSET(CMPIBrokerEncFT, logMessage, 120);
EXPECT_OFFSET(CMPIBrokerEncFT, trace, 128);
EXPECT_OFFSET(CMPIBrokerEncFT, newCMPIError, 136);
EXPECT_OFFSET(CMPIBrokerEncFT, openMessageFile, 144);
EXPECT_OFFSET(CMPIBrokerEncFT, closeMessageFile, 152);
EXPECT_OFFSET(CMPIBrokerEncFT, getMessage2, 160);

EXPECT_SIZE(CMPIBrokerExtFT, 168);
EXPECT_OFFSET(CMPIBrokerExtFT, resolveFileName, 8);
EXPECT_OFFSET(CMPIBrokerExtFT, createThreadKey, 64);
EXPECT_OFFSET(CMPIBrokerExtFT, newMutex, 96);
EXPECT_OFFSET(CMPIBrokerExtFT, signalCondition, 160);

EXPECT_SIZE(CMPIBrokerMemFT, 120);
EXPECT_OFFSET(CMPIBrokerMemFT, mark, 8);
EXPECT_OFFSET(CMPIBrokerMemFT, freeSelectExp, 112);

EXPECT_SIZE(CMPIContextFT, 56);
EXPECT_OFFSET(CMPIContextFT, release, 8);
EXPECT_OFFSET(CMPIContextFT, clone, 16);
EXPECT_OFFSET(CMPIContextFT, addEntry, 48);
EXPECT_SIZE(CMPIResultFT, 64);
EXPECT_OFFSET(CMPIResultFT, returnDone, 48);
EXPECT_OFFSET(CMPIResultFT, returnError, 56);
EXPECT_SIZE(CMPIStringFT, 32);
EXPECT_OFFSET(CMPIStringFT, getCharPtr, 24);
EXPECT_SIZE(CMPIArrayFT, 56);
EXPECT_OFFSET(CMPIArrayFT, setElementAt, 48);
EXPECT_SIZE(CMPIEnumerationFT, 48);
EXPECT_OFFSET(CMPIEnumerationFT, getNext, 24);
EXPECT_OFFSET(CMPIEnumerationFT, hasNext, 32);
EXPECT_OFFSET(CMPIEnumerationFT, toArray, 40);
EXPECT_SIZE(CMPIInstanceFT, 88);
EXPECT_OFFSET(CMPIInstanceFT, setObjectPath, 72);
EXPECT_OFFSET(CMPIInstanceFT, setPropertyWithOrigin, 80);
EXPECT_SIZE(CMPIObjectPathFT, 160);
EXPECT_OFFSET(CMPIObjectPathFT, addKey, 72);
EXPECT_OFFSET(CMPIObjectPathFT, toString, 152);
EXPECT_SIZE(CMPIArgsFT, 56);
EXPECT_OFFSET(CMPIArgsFT, getArgCount, 48);
EXPECT_SIZE(CMPIDateTimeFT, 48);
EXPECT_OFFSET(CMPIDateTimeFT, isInterval, 40);
EXPECT_SIZE(CMPISelectExpFT, 64);
EXPECT_OFFSET(CMPISelectExpFT, evaluateUsingAccessor, 56);
EXPECT_SIZE(CMPISelectCondFT, 40);
EXPECT_OFFSET(CMPISelectCondFT, getSubCondAt, 32);
EXPECT_SIZE(CMPISubCondFT, 48);
EXPECT_OFFSET(CMPISubCondFT, getPredicate, 40);
EXPECT_SIZE(CMPIPredicateFT, 40);
EXPECT_OFFSET(CMPIPredicateFT, evaluateUsingAccessor, 32);
EXPECT_SIZE(CMPIErrorFT, 216);
EXPECT_OFFSET(CMPIErrorFT, getMessageArguments, 136);
EXPECT_OFFSET(CMPIErrorFT, setErrorType, 144);
EXPECT_OFFSET(CMPIErrorFT, setMessageArguments, 208);

// MI tables: no padding after miVersion, first slot at 16.
EXPECT_SIZE(CMPIInstanceMIFT, 80);
EXPECT_OFFSET(CMPIInstanceMIFT, ftVersion, 0);
EXPECT_OFFSET(CMPIInstanceMIFT, miVersion, 4);
EXPECT_OFFSET(CMPIInstanceMIFT, miName, 8);
EXPECT_OFFSET(CMPIInstanceMIFT, cleanup, 16);
EXPECT_OFFSET(CMPIInstanceMIFT, enumerateInstanceNames, 24);
EXPECT_OFFSET(CMPIInstanceMIFT, enumerateInstances, 32);
EXPECT_OFFSET(CMPIInstanceMIFT, getInstance, 40);
EXPECT_OFFSET(CMPIInstanceMIFT, createInstance, 48);
EXPECT_OFFSET(CMPIInstanceMIFT, modifyInstance, 56);
EXPECT_OFFSET(CMPIInstanceMIFT, deleteInstance, 64);
EXPECT_OFFSET(CMPIInstanceMIFT, execQuery, 72);
EXPECT_SIZE(CMPIAssociationMIFT, 56);
EXPECT_OFFSET(CMPIAssociationMIFT, miVersion, 4);
EXPECT_OFFSET(CMPIAssociationMIFT, referenceNames, 48);
EXPECT_SIZE(CMPIMethodMIFT, 32);
EXPECT_OFFSET(CMPIMethodMIFT, invokeMethod, 24);
EXPECT_SIZE(CMPIPropertyMIFT, 48);
EXPECT_OFFSET(CMPIPropertyMIFT, setPropertyWithOrigin, 40);
EXPECT_SIZE(CMPIIndicationMIFT, 72);
EXPECT_OFFSET(CMPIIndicationMIFT, enableIndications, 56);
EXPECT_OFFSET(CMPIIndicationMIFT, disableIndications, 64);

static_assert(sizeof(CMPIrc) == 4 && sizeof(CMPIPredOp) == 4 && sizeof(CMPISeverity) == 4 &&
                  sizeof(CMPILevel) == 4 && sizeof(CMPISelectCondType) == 4 &&
                  sizeof(CMPIErrorType) == 4 && sizeof(CMPIErrorSeverity) == 4 &&
                  sizeof(CMPIErrorProbableCause) == 4 && sizeof(CMPIErrorSrcFormat) == 4,
              "enums are 4 bytes");

// Returned by value across the C boundary: any change to these traits changes
// the calling convention.
static_assert(std::is_trivially_copyable_v<CMPIData> && std::is_standard_layout_v<CMPIData>);
static_assert(std::is_trivially_copyable_v<CMPIStatus> && std::is_standard_layout_v<CMPIStatus>);
static_assert(std::is_trivially_copyable_v<CMPIValue> && std::is_standard_layout_v<CMPIValue>);
static_assert(std::is_aggregate_v<CMPIData> && std::is_aggregate_v<CMPIStatus>);

// ---- Types and signatures ------------------------------------------------------

static_assert(std::is_same_v<CMPIBoolean, unsigned char> &&
              std::is_same_v<CMPIChar16, unsigned short> &&
              std::is_same_v<CMPIUint64, unsigned long long> &&
              std::is_same_v<CMPISint64, long long> && std::is_same_v<CMPISint8, signed char> &&
              std::is_same_v<CMPICount, unsigned int> && std::is_same_v<CMPIType, unsigned short> &&
              std::is_same_v<CMPIValueState, unsigned short> &&
              std::is_same_v<CMPIFlags, unsigned int> && std::is_same_v<CMPIMsgFileHandle, void*>);
static_assert(std::is_same_v<CMPIAccessor, CMPIData(const char*, void*)>, "a function type");
static_assert(std::is_same_v<decltype(CMPIValue::Enum), CMPIEnumeration*> &&
              std::is_same_v<decltype(CMPIValue::dataPtr), CMPIValuePtr>);

// The broker writes a 4-byte pthread_key_t through this pointer.
static_assert(sizeof(CMPI_THREAD_KEY_TYPE) == 4);
static_assert(std::is_same_v<decltype(CMPIBrokerExtFT::createThreadKey),
                             int (*)(unsigned int*, void (*)(void*))>);
static_assert(
    std::is_same_v<decltype(CMPIBrokerExtFT::newThread), void* (*)(void* (*)(void*), void*, int)>);
static_assert(std::is_same_v<decltype(CMPIBrokerFT::execQuery),
                             CMPIEnumeration* (*)(const CMPIBroker*, const CMPIContext*,
                                                  const CMPIObjectPath*, const char*, const char*,
                                                  CMPIStatus*)>);
static_assert(std::is_same_v<decltype(CMPIBrokerEncFT::getMessage),
                             CMPIString* (*)(const CMPIBroker*, const char*, const char*,
                                             CMPIStatus*, CMPICount, ...)>);
static_assert(std::is_same_v<decltype(CMPIStringFT::getCharPtr),
                             const char* (*)(const CMPIString*, CMPIStatus*)>);
static_assert(std::is_same_v<decltype(CMPIEnumerationFT::hasNext),
                             CMPIBoolean (*)(const CMPIEnumeration*, CMPIStatus*)>);
static_assert(std::is_same_v<decltype(CMPIPropertyMIFT::setProperty),
                             CMPIStatus (*)(CMPIPropertyMI*, const CMPIContext*, const CMPIResult*,
                                            const CMPIObjectPath*, const char*, CMPIData)>);
static_assert(std::is_same_v<decltype(CMPIPropertyMIFT::setPropertyWithOrigin),
                             CMPIStatus (*)(CMPIPropertyMI*, const CMPIContext*, const CMPIResult*,
                                            CMPIObjectPath*, const char*, CMPIData, const char*)>);
static_assert(std::is_same_v<decltype(CMPIIndicationMIFT::enableIndications),
                             CMPIStatus (*)(CMPIIndicationMI*, const CMPIContext*)>);

// ---- Numeric values --------------------------------------------------------------

static_assert(CMPI_null == 0 && CMPI_boolean == 2 && CMPI_char16 == 3 && CMPI_real32 == 8 &&
              CMPI_real64 == 12 && CMPI_uint8 == 0x80 && CMPI_uint16 == 0x90 &&
              CMPI_uint32 == 0xA0 && CMPI_uint64 == 0xB0 && CMPI_sint8 == 0xC0 &&
              CMPI_sint16 == 0xD0 && CMPI_sint32 == 0xE0 && CMPI_sint64 == 0xF0);
static_assert(CMPI_instance == 0x1000 && CMPI_ref == 0x1100 && CMPI_args == 0x1200 &&
              CMPI_class == 0x1300 && CMPI_filter == 0x1400 && CMPI_enumeration == 0x1500 &&
              CMPI_string == 0x1600 && CMPI_chars == 0x1700 && CMPI_dateTime == 0x1800 &&
              CMPI_ptr == 0x1900 && CMPI_charsptr == 0x1A00 && CMPI_ARRAY == 0x2000);
static_assert(CMPI_booleanA == 0x2002 && CMPI_uint32A == 0x20A0 && CMPI_stringA == 0x3600 &&
              CMPI_charsA == 0x3700 && CMPI_refA == 0x3100 && CMPI_instanceA == 0x3000 &&
              CMPI_dateTimeA == 0x3800 && CMPI_charsptrA == 0x3A00 && CMPI_sint64A == 0x20F0);
// Codes that share a value: a switch can list only one of each group.
static_assert(CMPI_SIMPLE == CMPI_boolean && CMPI_REAL == CMPI_real32 && CMPI_UINT == CMPI_uint8 &&
              CMPI_SINT == CMPI_sint8 && CMPI_ENC == CMPI_instance && CMPI_INTEGER == 0xC0 &&
              CMPI_INTEGER == CMPI_sint8 && CMPI_INTEGERA == CMPI_sint8A &&
              CMPI_ENCA == CMPI_instanceA);
static_assert(CMPI_keyInteger == CMPI_sint64 && CMPI_keyString == CMPI_string &&
              CMPI_keyBoolean == CMPI_boolean && CMPI_keyRef == CMPI_ref);
static_assert(CMPI_integerString == 0x16F0 && CMPI_realString == 0x160C &&
              CMPI_numericString == 0x16FC && CMPI_booleanString == 0x1602 &&
              CMPI_dateTimeString == 0x1E00 && CMPI_nameString == CMPI_dateTimeString &&
              CMPI_classNameString == CMPI_chars);
static_assert(CMPI_Byte == 0xC0 && CMPI_Long == 0xF0 && CMPI_Double == 12 &&
              CMPI_DoubleA == 0x200C);

static_assert(CMPI_goodValue == 0 && CMPI_nullValue == 0x100 && CMPI_keyValue == 0x200 &&
              CMPI_notFound == 0x400 && CMPI_badValue == 0x8000);

static_assert(CMPI_RC_OK == 0 && CMPI_RC_ERR_FAILED == 1 && CMPI_RC_ERR_NOT_FOUND == 6 &&
              CMPI_RC_ERR_NOT_SUPPORTED == 7 && CMPI_RC_ERR_METHOD_NOT_FOUND == 17 &&
              CMPI_RC_NO_MORE_ELEMENTS == 18 && CMPI_RC_DO_NOT_UNLOAD == 50 &&
              CMPI_RC_NEVER_UNLOAD == 51 && CMPI_RC_ERR_INVALID_HANDLE == 60 &&
              CMPI_RC_ERR_INVALID_DATA_TYPE == 61 && CMPI_RC_ERROR_SYSTEM == 100 &&
              CMPI_RC_ERROR == 200);

static_assert(CMPI_PredOp_Equals == 1 && CMPI_PredOp_NotLike == 10 && CMPI_PredOp_Or == 14);
static_assert(CMPI_SEV_ERROR == 1 && CMPI_DEV_DEBUG == 4 && CMPI_LEV_VERBOSE == 3 &&
              CMPI_COND_DOC == 0 && CMPI_COND_COD == 1);
static_assert(UnsupportedOperationError == 10 && ErrorSevUnknown == 0 && ErrorSevLow == 2 &&
              ErrorSevFatal == 5 && CIMObjectHandle == 2);
static_assert(ErrorProbCauseUnknown == 0 && Software_Error == 47 && Logging_Problems == 112 &&
              Leak_Detected_113 == 113 && Protection_Mechanism_Failure == 114 &&
              Unexpected_Information == 130);

static_assert(CMPI_FLAG_LocalOnly == 1 && CMPI_FLAG_DeepInheritance == 2 &&
              CMPI_FLAG_IncludeQualifiers == 4 && CMPI_FLAG_IncludeClassOrigin == 8);
static_assert(CMPI_MB_Supports_Schema == 0x3000 && CMPI_MB_Supports_MemEnhancements == 0x4000 &&
              CMPI_MB_Supports_Extended_Error == 0x8000 && CMPI_MB_QueryNormalization == 0x31 &&
              CMPI_MB_BasicQualifierSupport == 0x47);

static_assert(CMPIVersion100 == 100 && CMPIVersion200 == 200 && CMPICurrentVersion == 200);
#if !defined(CMPI_VER_200) || !defined(CMPI_VER_100) || !defined(CMPI_VER_90) || \
    !defined(CMPI_VER_87) || !defined(CMPI_VER_86) || !defined(CMPI_VER_85) ||   \
    !defined(CMPI_VER_80)
#error "CMPI 2.0 must enable the whole version chain"
#endif

TEST(CmpiNames, ContextEntriesAreTheirOwnText) {
    EXPECT_STREQ(CMPIPrincipal, "CMPIPrincipal");
    EXPECT_STREQ(CMPIInvocationFlags, "CMPIInvocationFlags");
    EXPECT_STREQ(CMPIInitNameSpace, "CMPIInitNameSpace");
    EXPECT_STREQ(CMPIRole, "CMPIRole");
    EXPECT_STREQ(CMPIAcceptLanguage, "CMPIAcceptLanguage");
    EXPECT_STREQ(CMPIContentLanguage, "CMPIContentLanguage");
}

TEST(CmpiLayout, CAndCxxAgree) {
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_DATA], sizeof(CMPIData));
    EXPECT_EQ(ccheck_layout[CCHECK_OFFSETOF_DATA_VALUE], offsetof(CMPIData, value));
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_STATUS], sizeof(CMPIStatus));
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_BROKER], sizeof(CMPIBroker));
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_BROKER_ENC_FT], sizeof(CMPIBrokerEncFT));
    EXPECT_EQ(ccheck_layout[CCHECK_OFFSETOF_BROKER_FT_EXEC_QUERY],
              offsetof(CMPIBrokerFT, execQuery));
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_INSTANCE_MI_FT], sizeof(CMPIInstanceMIFT));
    EXPECT_EQ(ccheck_layout[CCHECK_SIZEOF_PROPERTY_MI_FT], sizeof(CMPIPropertyMIFT));
}

// ---- Fake broker and objects ---------------------------------------------------
// Function tables cannot carry closures, so the fakes record into one shared
// journal that each test resets.

struct Journal {
    std::vector<std::string> slots;
    std::string lastText;
    const void* lastValue = nullptr;
    CMPIType lastType = CMPI_null;
    std::vector<std::string> messageInserts;
    CMPICount messageCount = 0;
};
Journal journal;

const char hdlText[] = "read from hdl";
const char slotText[] = "read through getCharPtr";

CMPIString fakeString{};
CMPIStringFT fakeStringFt{};
CMPIObjectPath fakePath{};
CMPIObjectPathFT fakePathFt{};
CMPIEnumeration fakeEnum{};
CMPIEnumerationFT fakeEnumFt{};
CMPIResult fakeResult{};
CMPIResultFT fakeResultFt{};
CMPIBroker fakeBroker{};
CMPIBrokerFT fakeBft{};
CMPIBrokerEncFT fakeEft{};

CMPIStatus okStatus() {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIString* fakeNewString(const CMPIBroker*, const char* data, CMPIStatus* rc) {
    journal.slots.emplace_back("newString");
    journal.lastText = data;
    CMSetStatus(rc, CMPI_RC_OK);
    return &fakeString;
}

// Decodes the inserts exactly the way a broker does: the type code picks the
// va_arg type.
CMPIString* fakeGetMessage(const CMPIBroker*, const char* msgId, const char*, CMPIStatus* rc,
                           CMPICount count, ...) {
    journal.slots.emplace_back(msgId);
    journal.messageCount = count;
    va_list args;
    va_start(args, count);
    for (CMPICount i = 0; i < count; ++i) {
        const int type = va_arg(args, int);
        switch (type) {
            case CMPI_sint32:
                journal.messageInserts.push_back(std::to_string(va_arg(args, int)));
                break;
            case CMPI_uint32:
                journal.messageInserts.push_back(std::to_string(va_arg(args, unsigned int)));
                break;
            case CMPI_sint64:
                journal.messageInserts.push_back(std::to_string(va_arg(args, long long)));
                break;
            case CMPI_uint64:
                journal.messageInserts.push_back(std::to_string(va_arg(args, unsigned long long)));
                break;
            case CMPI_real64:
                journal.messageInserts.push_back(std::to_string(va_arg(args, double)));
                break;
            case CMPI_boolean:
                journal.messageInserts.push_back(va_arg(args, int) ? "true" : "false");
                break;
            case CMPI_chars:
                journal.messageInserts.emplace_back(va_arg(args, char*));
                break;
            case CMPI_string: {
                // The macro names its argument twice: read the insert once.
                CMPIString* const insert = va_arg(args, CMPIString*);
                journal.messageInserts.emplace_back(CMGetCharPtr(insert));
                break;
            }
            default:
                journal.messageInserts.emplace_back("?");
                break;
        }
    }
    va_end(args);
    CMSetStatus(rc, CMPI_RC_OK);
    return &fakeString;
}

class CmpiMacros : public ::testing::Test {
  protected:
    void SetUp() override {
        journal = Journal{};

        fakeStringFt = CMPIStringFT{};
        fakeStringFt.ftVersion = CMPICurrentVersion;
        fakeStringFt.getCharPtr = [](const CMPIString*, CMPIStatus* rc) -> const char* {
            CMSetStatus(rc, CMPI_RC_OK);
            return slotText;
        };
        fakeString = CMPIString{const_cast<char*>(hdlText), &fakeStringFt};

        fakePathFt = CMPIObjectPathFT{};
        fakePathFt.addKey = [](CMPIObjectPath*, const char* name, const CMPIValue* value,
                               const CMPIType type) {
            journal.slots.emplace_back(std::string("addKey:") + name);
            journal.lastValue = value;
            journal.lastType = type;
            return okStatus();
        };
        fakePathFt.release = [](CMPIObjectPath*) {
            journal.slots.emplace_back("release");
            return okStatus();
        };
        fakePath = CMPIObjectPath{&journal, &fakePathFt};

        fakeEnumFt = CMPIEnumerationFT{};
        fakeEnumFt.getNext = [](const CMPIEnumeration*, CMPIStatus*) {
            journal.slots.emplace_back("getNext");
            CMPIData data{};
            data.type = CMPI_uint32;
            data.value.uint32 = 42;
            return data;
        };
        fakeEnumFt.hasNext = [](const CMPIEnumeration*, CMPIStatus*) -> CMPIBoolean {
            journal.slots.emplace_back("hasNext");
            return 1;
        };
        fakeEnum = CMPIEnumeration{&journal, &fakeEnumFt};

        fakeResultFt = CMPIResultFT{};
        fakeResultFt.returnData = [](const CMPIResult*, const CMPIValue* value,
                                     const CMPIType type) {
            journal.slots.emplace_back("returnData");
            journal.lastValue = value;
            journal.lastType = type;
            return okStatus();
        };
        fakeResultFt.returnDone = [](const CMPIResult*) {
            journal.slots.emplace_back("returnDone");
            return okStatus();
        };
        fakeResult = CMPIResult{&journal, &fakeResultFt};

        fakeBft = CMPIBrokerFT{};
        fakeBft.brokerCapabilities = CMPI_MB_Class_2 | CMPI_MB_Supports_IndicationMI;
        fakeBft.brokerVersion = CMPIVersion200;
        fakeBft.brokerName = "fake broker";
        fakeBft.enumerateInstanceNames = [](const CMPIBroker*, const CMPIContext*,
                                            const CMPIObjectPath*,
                                            CMPIStatus*) -> CMPIEnumeration* {
            journal.slots.emplace_back("enumerateInstanceNames");
            return &fakeEnum;
        };
        fakeBft.enumerateInstances = [](const CMPIBroker*, const CMPIContext*,
                                        const CMPIObjectPath*, const char**,
                                        CMPIStatus*) -> CMPIEnumeration* {
            journal.slots.emplace_back("enumerateInstances");
            return &fakeEnum;
        };
        fakeBft.execQuery = [](const CMPIBroker*, const CMPIContext*, const CMPIObjectPath*,
                               const char* query, const char* lang,
                               CMPIStatus*) -> CMPIEnumeration* {
            journal.slots.emplace_back(std::string("execQuery:") + query + "|" + lang);
            return &fakeEnum;
        };

        fakeEft = CMPIBrokerEncFT{};
        fakeEft.ftVersion = CMPICurrentVersion;
        fakeEft.newString = fakeNewString;
        fakeEft.getMessage = fakeGetMessage;

        fakeBroker = CMPIBroker{nullptr, &fakeBft, &fakeEft, nullptr, nullptr};
    }
};

// ---- Status macros ---------------------------------------------------------------

CMPIStatus returnPlain(CMPIrc rc) {
    CMReturn(rc);
}

CMPIStatus returnWithString(CMPIrc rc, CMPIString* text) {
    CMReturnWithString(rc, text);
}

CMPIStatus returnWithChars(const CMPIBroker* mb, CMPIrc rc, const char* text) {
    CMReturnWithChars(mb, rc, text);
}

TEST_F(CmpiMacros, ReturnMacrosBuildTheStatus) {
    const CMPIStatus st = returnPlain(CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(st.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(st.msg, nullptr);

    const CMPIStatus withString = returnWithString(CMPI_RC_ERR_FAILED, &fakeString);
    EXPECT_EQ(withString.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(withString.msg, &fakeString);

    // CMReturnWithChars asks the broker for the message.
    const CMPIStatus withChars = returnWithChars(&fakeBroker, CMPI_RC_ERR_ACCESS_DENIED, "denied");
    EXPECT_EQ(withChars.rc, CMPI_RC_ERR_ACCESS_DENIED);
    EXPECT_EQ(withChars.msg, &fakeString);
    EXPECT_EQ(journal.lastText, "denied");

    const CMPIStatus noBroker = returnWithChars(nullptr, CMPI_RC_ERR_FAILED, "lost");
    EXPECT_EQ(noBroker.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(noBroker.msg, nullptr);
}

TEST_F(CmpiMacros, SetStatusFamilyToleratesNullStatusAndBroker) {
    CMPIStatus* absent = nullptr;
    CMSetStatus(absent, CMPI_RC_ERR_FAILED);
    CMSetStatus(NULL, CMPI_RC_ERR_FAILED);
    CMSetStatusWithString(absent, CMPI_RC_ERR_FAILED, &fakeString);
    CMSetStatusWithChars(&fakeBroker, absent, CMPI_RC_ERR_FAILED, "unused");
    EXPECT_TRUE(journal.slots.empty()) << "no message is built for a status nobody reads";

    CMPIStatus st{CMPI_RC_ERR_FAILED, &fakeString};
    CMSetStatus(&st, CMPI_RC_OK);
    EXPECT_EQ(st.rc, CMPI_RC_OK);
    EXPECT_EQ(st.msg, nullptr);

    CMSetStatusWithString(&st, CMPI_RC_ERR_NOT_FOUND, &fakeString);
    EXPECT_EQ(st.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(st.msg, &fakeString);

    CMSetStatusWithChars(nullptr, &st, CMPI_RC_ERR_INVALID_CLASS, "no broker");
    EXPECT_EQ(st.rc, CMPI_RC_ERR_INVALID_CLASS);
    EXPECT_EQ(st.msg, nullptr);

    CMSetStatusWithChars(&fakeBroker, &st, CMPI_RC_ERR_TYPE_MISMATCH, "mismatch");
    EXPECT_EQ(st.rc, CMPI_RC_ERR_TYPE_MISMATCH);
    EXPECT_EQ(st.msg, &fakeString);
    EXPECT_EQ(journal.lastText, "mismatch");
}

TEST_F(CmpiMacros, StatusMacrosAreSingleStatements) {
    CMPIStatus st{CMPI_RC_OK, nullptr};
    const bool fail = true;
    // An unbraced if/else only compiles when the macro is one statement.
    if (fail)
        CMSetStatus(&st, CMPI_RC_ERR_FAILED);
    else
        CMSetStatus(&st, CMPI_RC_OK);
    EXPECT_EQ(st.rc, CMPI_RC_ERR_FAILED);
}

// ---- Data tests ----------------------------------------------------------------

TEST(CmpiDataMacros, StateAndTypeTestsYieldIntTruth) {
    CMPIData data{};
    data.type = CMPI_stringA;
    data.state = CMPI_nullValue | CMPI_keyValue;
    static_assert(std::is_same_v<decltype(CMIsNullValue(data)), int>);
    static_assert(std::is_same_v<decltype(CMIsKeyValue(data)), int>);
    static_assert(std::is_same_v<decltype(CMIsArray(data)), int>);
    EXPECT_NE(CMIsNullValue(data), 0);
    EXPECT_NE(CMIsKeyValue(data), 0);
    EXPECT_NE(CMIsArray(data), 0);

    // The flags live above the low byte; the result must survive narrowing.
    const CMPIBoolean narrowed = static_cast<CMPIBoolean>(CMIsNullValue(data));
    EXPECT_EQ(narrowed, 1);

    data.type = CMPI_string;
    data.state = CMPI_goodValue;
    EXPECT_EQ(CMIsNullValue(data), 0);
    EXPECT_EQ(CMIsKeyValue(data), 0);
    EXPECT_EQ(CMIsArray(data), 0);

    data.state = CMPI_notFound | CMPI_badValue;
    EXPECT_EQ(CMIsNullValue(data), 0);
}

TEST(CmpiDataMacros, ValueBraceInitSetsUint64First) {
    const CMPIValue value{0x0102030405060708ULL};
    EXPECT_EQ(value.uint64, 0x0102030405060708ULL);
}

// ---- Object macros ---------------------------------------------------------------

TEST_F(CmpiMacros, GetCharPtrCallsTheSlotAndIsNullObjectTheHandle) {
    EXPECT_STREQ(CMGetCharPtr(&fakeString), slotText);
    CMPIStatus st{CMPI_RC_ERR_FAILED, nullptr};
    EXPECT_STREQ(CMGetCharsPtr(&fakeString, &st), slotText);
    EXPECT_EQ(st.rc, CMPI_RC_OK);

    // A null object is a null pointer or a null handle.
    const CMPIObjectPath* none = nullptr;
    EXPECT_TRUE(CMIsNullObject(none));
    const CMPIObjectPath emptyHandle{nullptr, &fakePathFt};
    EXPECT_TRUE(CMIsNullObject(&emptyHandle));
    EXPECT_FALSE(CMIsNullObject(&fakePath));
}

TEST_F(CmpiMacros, CharsValuesPassTheStringItself) {
    const char* const name = "eth0";
    (void)CMAddKey(&fakePath, "Name", name, CMPI_chars);
    EXPECT_EQ(journal.lastValue, static_cast<const void*>(name));
    EXPECT_EQ(journal.lastType, CMPI_chars);

    CMPIUint16 port = 5988;
    (void)CMReturnData(&fakeResult, &port, CMPI_uint16);
    EXPECT_EQ(journal.lastValue, static_cast<const void*>(&port));
    EXPECT_EQ(journal.lastType, CMPI_uint16);

    (void)CMReturnDone(&fakeResult);
    (void)CMRelease(&fakePath);
    EXPECT_EQ(journal.slots,
              (std::vector<std::string>{"addKey:Name", "returnData", "returnDone", "release"}));
}

TEST_F(CmpiMacros, EnumerationMacrosHitTheirOwnSlots) {
    std::vector<CMPIUint32> seen;
    if (CMHasNext(&fakeEnum, nullptr)) {
        seen.push_back(CMGetNext(&fakeEnum, nullptr).value.uint32);
    }
    EXPECT_EQ(seen, std::vector<CMPIUint32>{42});
    EXPECT_EQ(journal.slots, (std::vector<std::string>{"hasNext", "getNext"}));
}

// ---- Broker macros ---------------------------------------------------------------

TEST_F(CmpiMacros, BrokerEnumerationsUseTheEnumerateSlots) {
    EXPECT_EQ(CBEnumInstanceNames(&fakeBroker, nullptr, &fakePath, nullptr), &fakeEnum);
    EXPECT_EQ(CBEnumInstances(&fakeBroker, nullptr, &fakePath, nullptr, nullptr), &fakeEnum);
    EXPECT_EQ(CBExecQuery(&fakeBroker, nullptr, &fakePath, "SELECT * FROM X", "WQL", nullptr),
              &fakeEnum);
    EXPECT_EQ(journal.slots,
              (std::vector<std::string>{"enumerateInstanceNames", "enumerateInstances",
                                        "execQuery:SELECT * FROM X|WQL"}));
}

TEST_F(CmpiMacros, BrokerFieldsReadCapabilitiesVersionAndName) {
    EXPECT_EQ(CBGetClassification(&fakeBroker),
              static_cast<unsigned int>(CMPI_MB_Class_2 | CMPI_MB_Supports_IndicationMI));
    EXPECT_EQ(CBGetBrokerCapabilities(&fakeBroker), CBGetClassification(&fakeBroker));
    EXPECT_EQ(CBBrokerVersion(&fakeBroker), 200u);
    EXPECT_STREQ(CBBrokerName(&fakeBroker), "fake broker");
}

TEST_F(CmpiMacros, FmtArgsPutTheCountFirst) {
    const int flat[] = {CMFmtArgs2(10, 20)};
    EXPECT_EQ(std::vector<int>(std::begin(flat), std::end(flat)), (std::vector<int>{2, 10, 20}));
    EXPECT_EQ(CMFmtArgs0(), 0);
    const int pair[] = {CMFmtSint(-3)};
    EXPECT_EQ(pair[0], CMPI_sint32);
    EXPECT_EQ(pair[1], -3);
}

TEST_F(CmpiMacros, GetMessagePassesInsertsAsTheBrokerReadsThem) {
    CMPIStatus st{CMPI_RC_ERR_FAILED, nullptr};
    CMPIString* const text =
        CMGetMessage(&fakeBroker, "MSG01", "default", &st,
                     CMFmtArgs8(CMFmtSint(-7), CMFmtUint(7u), CMFmtSint64(-8000000000LL),
                                CMFmtUint64(9000000000ULL), CMFmtReal(0.5), CMFmtBoolean(2),
                                CMFmtChars("eth0"), CMFmtString(&fakeString)));
    EXPECT_EQ(text, &fakeString);
    EXPECT_EQ(st.rc, CMPI_RC_OK);
    EXPECT_EQ(journal.messageCount, 8u);
    EXPECT_EQ(journal.messageInserts,
              (std::vector<std::string>{"-7", "7", "-8000000000", "9000000000", "0.500000", "true",
                                        "eth0", slotText}));

    journal = Journal{};
    (void)CMGetMessage(&fakeBroker, "MSG02", "default", nullptr, CMFmtArgs0());
    EXPECT_EQ(journal.messageCount, 0u);
    EXPECT_TRUE(journal.messageInserts.empty());
}

TEST_F(CmpiMacros, CCompiledMacrosRoundTripAString) {
    fakeStringFt.getCharPtr = [](const CMPIString* s, CMPIStatus* rc) -> const char* {
        CMSetStatus(rc, CMPI_RC_OK);
        return static_cast<const char*>(s->hdl);
    };
    fakeEft.newString = [](const CMPIBroker*, const char* data, CMPIStatus* rc) {
        fakeString.hdl = const_cast<char*>(data);
        CMSetStatus(rc, CMPI_RC_OK);
        return &fakeString;
    };
    const char* out = nullptr;
    EXPECT_EQ(ccheck_round_trip_string(&fakeBroker, "round trip", &out), CMPI_RC_OK);
    EXPECT_STREQ(out, "round trip");
}

// ---- MI factory macros -----------------------------------------------------------

const CMPIBroker* cxxBroker = nullptr;
const CMPIContext* hookContext = nullptr;
int hookRuns = 0;

CMPIStatus CxxCheckMethodCleanup(CMPIMethodMI*, const CMPIContext*, CMPIBoolean) {
    CMReturn(CMPI_RC_OK);
}

CMPIStatus CxxCheckInvokeMethod(CMPIMethodMI*, const CMPIContext*, const CMPIResult*,
                                const CMPIObjectPath*, const char*, const CMPIArgs*, CMPIArgs*) {
    CMReturn(CMPI_RC_ERR_METHOD_NOT_FOUND);
}

}  // namespace

// The MI macros must also compile in C++; the hook sees the factory's ctx.
CMMethodMIStub(CxxCheck, CxxCheck, cxxBroker, (++hookRuns, hookContext = ctx));

namespace {

TEST(CmpiMIFactories, CxxMethodFactoryStoresBrokerAndRunsHook) {
    CMPIBroker broker{};
    const CMPIContext context{};
    CMPIStatus rc{CMPI_RC_OK, nullptr};
    CMPIMethodMI* mi = CxxCheck_Create_MethodMI(&broker, &context, &rc);
    ASSERT_NE(mi, nullptr);
    EXPECT_EQ(cxxBroker, &broker);
    EXPECT_EQ(hookRuns, 1);
    EXPECT_EQ(hookContext, &context);
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(mi->hdl, nullptr);
    EXPECT_EQ(mi->ft->ftVersion, CMPICurrentVersion);
    EXPECT_EQ(mi->ft->miVersion, CMPICurrentVersion);
    EXPECT_STREQ(mi->ft->miName, "methodCxxCheck");
    EXPECT_EQ(mi->ft->invokeMethod(mi, nullptr, nullptr, nullptr, "m", nullptr, nullptr).rc,
              CMPI_RC_ERR_METHOD_NOT_FOUND);
    EXPECT_EQ(CxxCheck_Create_MethodMI(&broker, &context, &rc), mi) << "one MI per process";
}

// Each C function behind the tables answers with a code of its own, so a slot
// filled with the wrong function shows.
TEST(CmpiMIFactories, CTablesFillEverySlotWithItsOwnFunction) {
    CMPIBroker broker{};
    CMPIStatus rc{CMPI_RC_OK, nullptr};
    CMPIInstanceMI* instance = CCheck_Create_InstanceMI(&broker, nullptr, &rc);
    CMPIAssociationMI* assoc = CCheck_Create_AssociationMI(&broker, nullptr, &rc);
    CMPIPropertyMI* prop = CCheck_Create_PropertyMI(&broker, nullptr, &rc);
    CMPIIndicationMI* indication = CCheck_Create_IndicationMI(&broker, nullptr, &rc);
    ASSERT_TRUE(instance != nullptr && assoc != nullptr && prop != nullptr &&
                indication != nullptr);
    ASSERT_TRUE(indication->ft->enableIndications != nullptr &&
                indication->ft->disableIndications != nullptr);
    EXPECT_EQ(ccheck_stored_broker(), &broker);
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(instance->ft->ftVersion, 200);
    EXPECT_EQ(instance->ft->miVersion, 200);
    EXPECT_EQ(assoc->ft->miVersion, 200);
    EXPECT_GE(indication->ft->ftVersion, 100)
        << "older versions make brokers pass an extra CMPIResult*";
    EXPECT_EQ(prop->ft->setPropertyWithOrigin, nullptr);
    const std::pair<std::string, std::string> names[] = {
        {instance->ft->miName, "instanceCCheck"},
        {assoc->ft->miName, "associationCCheck"},
        {prop->ft->miName, "propertyCCheck"},
        {indication->ft->miName, "IndicationCCheck"},
    };
    for (const auto& [name, expected] : names) {
        EXPECT_EQ(name, expected);
    }

    const CMPIInstanceMIFT& in = *instance->ft;
    const CMPIAssociationMIFT& as = *assoc->ft;
    const CMPIIndicationMIFT& ind = *indication->ft;
    CMPIData nullData{};
    nullData.state = CMPI_nullValue;
    const CMPIData goodData{};
    const std::pair<CMPIStatus, CMPIrc> slots[] = {
        {in.cleanup(instance, nullptr, 0), CMPI_RC_DO_NOT_UNLOAD},
        {in.cleanup(instance, nullptr, 1), CMPI_RC_OK},
        {in.enumerateInstanceNames(instance, nullptr, nullptr, nullptr), CMPI_RC_ERR_ACCESS_DENIED},
        {in.enumerateInstances(instance, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_NAMESPACE},
        {in.getInstance(instance, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_PARAMETER},
        {in.createInstance(instance, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_CLASS},
        {in.modifyInstance(instance, nullptr, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_NOT_FOUND},
        {in.deleteInstance(instance, nullptr, nullptr, nullptr), CMPI_RC_ERR_NOT_SUPPORTED},
        {in.execQuery(instance, nullptr, nullptr, nullptr, "q", "l"),
         CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED},
        {as.associators(assoc, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr),
         CMPI_RC_ERR_ACCESS_DENIED},
        {as.associatorNames(assoc, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_NAMESPACE},
        {as.references(assoc, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_PARAMETER},
        {as.referenceNames(assoc, nullptr, nullptr, nullptr, nullptr, nullptr),
         CMPI_RC_ERR_INVALID_CLASS},
        {prop->ft->setProperty(prop, nullptr, nullptr, nullptr, "p", nullData),
         CMPI_RC_ERR_INVALID_PARAMETER},
        {prop->ft->setProperty(prop, nullptr, nullptr, nullptr, "p", goodData),
         CMPI_RC_ERR_NO_SUCH_PROPERTY},
        {prop->ft->getProperty(prop, nullptr, nullptr, nullptr, "p"), CMPI_RC_ERR_TYPE_MISMATCH},
        {ind.authorizeFilter(indication, nullptr, nullptr, "C", nullptr, "owner"),
         CMPI_RC_ERR_ACCESS_DENIED},
        {ind.mustPoll(indication, nullptr, nullptr, "C", nullptr), CMPI_RC_ERR_INVALID_NAMESPACE},
        {ind.activateFilter(indication, nullptr, nullptr, "C", nullptr, 1),
         CMPI_RC_ERR_INVALID_PARAMETER},
        {ind.deActivateFilter(indication, nullptr, nullptr, "C", nullptr, 1),
         CMPI_RC_ERR_INVALID_CLASS},
        {ind.enableIndications(indication, nullptr), CMPI_RC_ERR_NOT_FOUND},
        {ind.disableIndications(indication, nullptr), CMPI_RC_ERR_NOT_SUPPORTED},
    };
    for (std::size_t i = 0; i < std::size(slots); ++i) {
        EXPECT_EQ(slots[i].first.rc, slots[i].second) << "call #" << i;
    }
}

TEST_F(CmpiMacros, CMethodFactoryReturnsDataAndBrokerMessage) {
    CMPIStatus rc{CMPI_RC_OK, nullptr};
    CMPIMethodMI* mi = CCheck_Create_MethodMI(&fakeBroker, nullptr, &rc);
    ASSERT_NE(mi, nullptr);
    EXPECT_STREQ(mi->ft->miName, "methodCCheck");
    const char* const method = "RequestStateChange";
    const CMPIStatus st =
        mi->ft->invokeMethod(mi, nullptr, &fakeResult, nullptr, method, nullptr, nullptr);
    EXPECT_EQ(st.rc, CMPI_RC_ERR_METHOD_NOT_AVAILABLE);
    EXPECT_EQ(st.msg, &fakeString);
    EXPECT_EQ(journal.lastValue, static_cast<const void*>(method));
    EXPECT_EQ(journal.lastType, CMPI_chars);
    EXPECT_EQ(journal.slots, (std::vector<std::string>{"returnData", "returnDone", "newString"}));
}

}  // namespace
