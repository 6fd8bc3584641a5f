/*
 * Proves the CMPI headers compile as strict C99 and that a C provider built
 * with the MI factory macros interoperates with C++ callers.
 */
#include <stddef.h>

#include "cmpift.h"
#include "cmpimacs.h"
#include "c_compile_check.h"

/* Compile-time layout checks; a failing one declares a negative-size array. */
#define CCHECK_LAYOUT(name, cond) typedef char ccheck_layout_##name[(cond) ? 1 : -1]
CCHECK_LAYOUT(data, sizeof(CMPIData) == 24 && offsetof(CMPIData, value) == 8);
CCHECK_LAYOUT(status, sizeof(CMPIStatus) == 16 && offsetof(CMPIStatus, msg) == 8);
CCHECK_LAYOUT(broker, sizeof(CMPIBroker) == 40 && offsetof(CMPIBroker, mft) == 32);
CCHECK_LAYOUT(thread_key, sizeof(CMPI_THREAD_KEY_TYPE) == 4);

const size_t ccheck_layout[CCHECK_LAYOUT_COUNT] = {
    sizeof(CMPIData),         offsetof(CMPIData, value), sizeof(CMPIStatus),
    sizeof(CMPIBroker),       sizeof(CMPIBrokerEncFT),   offsetof(CMPIBrokerFT, execQuery),
    sizeof(CMPIInstanceMIFT), sizeof(CMPIPropertyMIFT),
};

static const CMPIBroker* storedBroker = NULL;

const CMPIBroker* ccheck_stored_broker(void) {
    return storedBroker;
}

CMPIrc ccheck_round_trip_string(const CMPIBroker* mb, const char* text, const char** out) {
    CMPIStatus st = {CMPI_RC_ERR_FAILED, NULL};
    CMPIString* str = CMNewString(mb, text, &st);
    if (st.rc != CMPI_RC_OK) {
        return st.rc;
    }
    if (CMIsNullObject(str)) {
        return CMPI_RC_ERR_INVALID_HANDLE;
    }
    *out = CMGetCharsPtr(str, &st);
    if (st.rc == CMPI_RC_OK && CMGetCharPtr(str) != *out) {
        st.rc = CMPI_RC_ERR_FAILED;
    }
    return st.rc;
}

/* ---- Instance MI: each function reports its own slot through rc. ------------- */

static CMPIStatus CCheckCleanup(CMPIInstanceMI* mi, const CMPIContext* ctx, CMPIBoolean term) {
    if (!term) {
        CMReturn(CMPI_RC_DO_NOT_UNLOAD);
    }
    CMReturn(CMPI_RC_OK);
}

static CMPIStatus CCheckEnumInstanceNames(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                          const CMPIResult* rslt, const CMPIObjectPath* op) {
    CMReturn(CMPI_RC_ERR_ACCESS_DENIED);
}

static CMPIStatus CCheckEnumInstances(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                      const CMPIResult* rslt, const CMPIObjectPath* op,
                                      const char** properties) {
    CMReturn(CMPI_RC_ERR_INVALID_NAMESPACE);
}

static CMPIStatus CCheckGetInstance(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                    const CMPIResult* rslt, const CMPIObjectPath* op,
                                    const char** properties) {
    CMReturn(CMPI_RC_ERR_INVALID_PARAMETER);
}

static CMPIStatus CCheckCreateInstance(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                       const CMPIResult* rslt, const CMPIObjectPath* op,
                                       const CMPIInstance* inst) {
    CMReturn(CMPI_RC_ERR_INVALID_CLASS);
}

static CMPIStatus CCheckModifyInstance(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                       const CMPIResult* rslt, const CMPIObjectPath* op,
                                       const CMPIInstance* inst, const char** properties) {
    CMReturn(CMPI_RC_ERR_NOT_FOUND);
}

static CMPIStatus CCheckDeleteInstance(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                       const CMPIResult* rslt, const CMPIObjectPath* op) {
    CMReturn(CMPI_RC_ERR_NOT_SUPPORTED);
}

static CMPIStatus CCheckExecQuery(CMPIInstanceMI* mi, const CMPIContext* ctx,
                                  const CMPIResult* rslt, const CMPIObjectPath* op,
                                  const char* query, const char* lang) {
    CMReturn(CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED);
}

CMInstanceMIStub(CCheck, CCheck, storedBroker, CMNoHook);

/* ---- Association MI ------------------------------------------------------------ */

static CMPIStatus CCheckAssociationCleanup(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                           CMPIBoolean term) {
    CMReturn(CMPI_RC_OK);
}

static CMPIStatus CCheckAssociators(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                    const CMPIResult* rslt, const CMPIObjectPath* op,
                                    const char* assocClass, const char* resultClass,
                                    const char* role, const char* resultRole,
                                    const char** properties) {
    CMReturn(CMPI_RC_ERR_ACCESS_DENIED);
}

static CMPIStatus CCheckAssociatorNames(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                        const CMPIResult* rslt, const CMPIObjectPath* op,
                                        const char* assocClass, const char* resultClass,
                                        const char* role, const char* resultRole) {
    CMReturn(CMPI_RC_ERR_INVALID_NAMESPACE);
}

static CMPIStatus CCheckReferences(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                   const CMPIResult* rslt, const CMPIObjectPath* op,
                                   const char* resultClass, const char* role,
                                   const char** properties) {
    CMReturn(CMPI_RC_ERR_INVALID_PARAMETER);
}

static CMPIStatus CCheckReferenceNames(CMPIAssociationMI* mi, const CMPIContext* ctx,
                                       const CMPIResult* rslt, const CMPIObjectPath* op,
                                       const char* resultClass, const char* role) {
    CMReturn(CMPI_RC_ERR_INVALID_CLASS);
}

CMAssociationMIStub(CCheck, CCheck, storedBroker, CMNoHook);

/* ---- Method MI ----------------------------------------------------------------- */

static CMPIStatus CCheckMethodCleanup(CMPIMethodMI* mi, const CMPIContext* ctx, CMPIBoolean term) {
    CMReturn(CMPI_RC_OK);
}

/* Answers with the method name as return value, the way a real MI would. */
static CMPIStatus CCheckInvokeMethod(CMPIMethodMI* mi, const CMPIContext* ctx,
                                     const CMPIResult* rslt, const CMPIObjectPath* op,
                                     const char* method, const CMPIArgs* in, CMPIArgs* out) {
    CMReturnData(rslt, method, CMPI_chars);
    CMReturnDone(rslt);
    CMReturnWithChars(storedBroker, CMPI_RC_ERR_METHOD_NOT_AVAILABLE, method);
}

CMMethodMIStub(CCheck, CCheck, storedBroker, CMNoHook);

/* ---- Property MI --------------------------------------------------------------- */

static CMPIStatus CCheckPropertyCleanup(CMPIPropertyMI* mi, const CMPIContext* ctx,
                                        CMPIBoolean term) {
    CMReturn(CMPI_RC_OK);
}

static CMPIStatus CCheckSetProperty(CMPIPropertyMI* mi, const CMPIContext* ctx,
                                    const CMPIResult* rslt, const CMPIObjectPath* op,
                                    const char* name, const CMPIData data) {
    if (CMIsNullValue(data)) {
        CMReturn(CMPI_RC_ERR_INVALID_PARAMETER);
    }
    CMReturn(CMPI_RC_ERR_NO_SUCH_PROPERTY);
}

static CMPIStatus CCheckGetProperty(CMPIPropertyMI* mi, const CMPIContext* ctx,
                                    const CMPIResult* rslt, const CMPIObjectPath* op,
                                    const char* name) {
    CMReturn(CMPI_RC_ERR_TYPE_MISMATCH);
}

CMPropertyMIStub(CCheck, CCheck, storedBroker, CMNoHook);

/* ---- Indication MI ------------------------------------------------------------- */

static CMPIStatus CCheckIndicationCleanup(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                          CMPIBoolean term) {
    CMReturn(CMPI_RC_OK);
}

static CMPIStatus CCheckAuthorizeFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                        const CMPISelectExp* filter, const char* className,
                                        const CMPIObjectPath* op, const char* owner) {
    CMReturn(CMPI_RC_ERR_ACCESS_DENIED);
}

static CMPIStatus CCheckMustPoll(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                 const CMPISelectExp* filter, const char* className,
                                 const CMPIObjectPath* classPath) {
    CMReturn(CMPI_RC_ERR_INVALID_NAMESPACE);
}

static CMPIStatus CCheckActivateFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                       const CMPISelectExp* filter, const char* className,
                                       const CMPIObjectPath* classPath, CMPIBoolean first) {
    CMReturn(CMPI_RC_ERR_INVALID_PARAMETER);
}

static CMPIStatus CCheckDeActivateFilter(CMPIIndicationMI* mi, const CMPIContext* ctx,
                                         const CMPISelectExp* filter, const char* className,
                                         const CMPIObjectPath* classPath, CMPIBoolean last) {
    CMReturn(CMPI_RC_ERR_INVALID_CLASS);
}

static CMPIStatus CCheckEnableIndications(CMPIIndicationMI* mi, const CMPIContext* ctx) {
    CMReturn(CMPI_RC_ERR_NOT_FOUND);
}

static CMPIStatus CCheckDisableIndications(CMPIIndicationMI* mi, const CMPIContext* ctx) {
    CMReturn(CMPI_RC_ERR_NOT_SUPPORTED);
}

CMIndicationMIStub(CCheck, CCheck, storedBroker, CMNoHook);

/* ---- Every remaining macro, expanded once by a C compiler. -------------------- */

CMPIStatus ccheck_expand_macros(const CMPIBroker* mb, const CMPIContext* ctx,
                                const CMPIResult* rslt, CMPIInstance* inst, CMPIObjectPath* op,
                                CMPIArgs* args, CMPIArray* arr, CMPIEnumeration* en,
                                CMPIDateTime* dt, CMPISelectExp* se, CMPISelectCond* sc,
                                CMPISubCond* sub, CMPIPredicate* pr, CMPIError* err,
                                CMPIAccessor* accessor);

CMPIStatus ccheck_expand_macros(const CMPIBroker* mb, const CMPIContext* ctx,
                                const CMPIResult* rslt, CMPIInstance* inst, CMPIObjectPath* op,
                                CMPIArgs* args, CMPIArray* arr, CMPIEnumeration* en,
                                CMPIDateTime* dt, CMPISelectExp* se, CMPISelectCond* sc,
                                CMPISubCond* sub, CMPIPredicate* pr, CMPIError* err,
                                CMPIAccessor* accessor) {
    CMPIStatus st = {CMPI_RC_OK, NULL};
    CMPIString* name = NULL;
    CMPIString* lhs = NULL;
    CMPIString* rhs = NULL;
    CMPIType type = CMPI_null;
    CMPIPredOp predOp = CMPI_PredOp_Equals;
    int condType = CMPI_COND_DOC;
    CMPIUint32 u32 = 7;
    CMPIMsgFileHandle mfh = NULL;
    CMPIData d = CMGetContextEntry(ctx, CMPIInvocationFlags, &st);
    unsigned int caps = CBGetClassification(mb) | CBGetBrokerCapabilities(mb);

    if (CMIsNullValue(d) || CMIsKeyValue(d) || CMIsArray(d) || caps == 0 ||
        CBBrokerVersion(mb) < CMPIVersion200 || CBBrokerName(mb) == NULL) {
        CMSetStatusWithChars(mb, &st, CMPI_RC_ERR_FAILED, "unexpected");
        CMSetStatusWithString(&st, CMPI_RC_ERR_FAILED, st.msg);
        CMSetStatus(&st, CMPI_RC_ERR_FAILED);
        CMReturnWithString(CMPI_RC_ERR_FAILED, st.msg);
    }
    d = CMGetContextEntryAt(ctx, 0, &name, &st);
    (void)CMGetContextEntryCount(ctx, &st);
    (void)CMAddContextEntry(ctx, CMPIPrincipal, "user", CMPI_chars);

    (void)CMReturnInstance(rslt, inst);
    (void)CMReturnObjectPath(rslt, op);
    (void)CMReturnError(rslt, err);

    (void)CMNewInstance(mb, op, &st);
    (void)CMNewObjectPath(mb, "root/cimv2", "CIM_Foo", &st);
    (void)CMNewArgs(mb, &st);
    (void)CMNewArray(mb, 2, CMPI_string, &st);
    (void)CMNewDateTime(mb, &st);
    (void)CMNewDateTimeFromBinary(mb, 1000000ULL, 0, &st);
    (void)CMNewDateTimeFromChars(mb, "20240101000000.000000+000", &st);
    (void)CMNewSelectExp(mb, "SELECT * FROM CIM_Foo", "WQL", NULL, &st);
    (void)CMNewCMPIError(mb, "owner", "id", "text", ErrorSevLow, Software_Error, CMPI_RC_ERR_FAILED,
                         &st);
    (void)CMClassPathIsA(mb, op, "CIM_Foo", &st);
    (void)CDToString(mb, op, &st);
    (void)CDIsOfType(mb, inst, "CMPIInstance", &st);
    (void)CDGetType(mb, inst, &st);
    (void)CMLogMessage(mb, CMPI_SEV_INFO, "id", "text", NULL);
    (void)CMTraceMessage(mb, CMPI_LEV_VERBOSE, "component", "text", NULL);
    (void)CMGetMessage(mb, "id", "default", &st, CMFmtArgs0());
    (void)CMGetMessage(
        mb, "id", "default", &st,
        CMFmtArgs8(CMFmtSint(-1), CMFmtUint(1u), CMFmtSint64(-2LL), CMFmtUint64(2ULL),
                   CMFmtReal(0.5), CMFmtBoolean(1), CMFmtChars("c"), CMFmtString(name)));
    (void)CMOpenMessageFile(mb, "file", &mfh);
    (void)CMGetMessage2(mb, "id", mfh, "default", &st, CMFmtArgs1(CMFmtUint(u32)));
    (void)CMCloseMessageFile(mb, mfh);

    (void)CBPrepareAttachThread(mb, ctx);
    (void)CBAttachThread(mb, ctx);
    (void)CBDetachThread(mb, ctx);
    (void)CBDeliverIndication(mb, ctx, "root/cimv2", inst);
    (void)CBEnumInstanceNames(mb, ctx, op, &st);
    (void)CBEnumInstances(mb, ctx, op, NULL, &st);
    (void)CBGetInstance(mb, ctx, op, NULL, &st);
    (void)CBCreateInstance(mb, ctx, op, inst, &st);
    (void)CBModifyInstance(mb, ctx, op, inst, NULL);
    (void)CBDeleteInstance(mb, ctx, op);
    (void)CBExecQuery(mb, ctx, op, "SELECT * FROM CIM_Foo", "WQL", &st);
    (void)CBAssociators(mb, ctx, op, NULL, NULL, NULL, NULL, NULL, &st);
    (void)CBAssociatorNames(mb, ctx, op, NULL, NULL, NULL, NULL, &st);
    (void)CBReferences(mb, ctx, op, NULL, NULL, NULL, &st);
    (void)CBReferenceNames(mb, ctx, op, NULL, NULL, &st);
    (void)CBInvokeMethod(mb, ctx, op, "Reset", args, args, &st);
    (void)CBSetProperty(mb, ctx, op, "Name", &u32, CMPI_uint32);
    (void)CBGetProperty(mb, ctx, op, "Name", &st);

    (void)CMSetNameSpace(op, "root/cimv2");
    (void)CMGetNameSpace(op, &st);
    (void)CMSetHostname(op, "host");
    (void)CMGetHostname(op, &st);
    (void)CMSetClassName(op, "CIM_Foo");
    (void)CMGetClassName(op, &st);
    (void)CMAddKey(op, "Name", "value", CMPI_chars);
    (void)CMGetKey(op, "Name", &st);
    (void)CMGetKeyAt(op, 0, &name, &st);
    (void)CMGetKeyCount(op, &st);
    (void)CMSetNameSpaceFromObjectPath(op, op);
    (void)CMSetHostAndNameSpaceFromObjectPath(op, op);
    (void)CMGetClassQualifier(op, "Key", &st);
    (void)CMGetPropertyQualifier(op, "Name", "Key", &st);
    (void)CMGetMethodQualifier(op, "Reset", "Static", &st);
    (void)CMGetParameterQualifier(op, "Reset", "Force", "In", &st);
    (void)CMObjectPathToString(op, &st);

    (void)CMGetProperty(inst, "Name", &st);
    (void)CMGetPropertyAt(inst, 0, &name, &st);
    (void)CMGetPropertyCount(inst, &st);
    (void)CMSetProperty(inst, "Count", &u32, CMPI_uint32);
    (void)CMGetObjectPath(inst, &st);
    (void)CMSetObjectPath(inst, op);
    (void)CMSetPropertyFilter(inst, NULL, NULL);
    (void)CMSetPropertyWithOrigin(inst, "Count", &u32, CMPI_uint32, "CIM_Foo");

    (void)CMAddArg(args, "Force", &u32, CMPI_uint32);
    (void)CMGetArg(args, "Force", &st);
    (void)CMGetArgAt(args, 0, &name, &st);
    (void)CMGetArgCount(args, &st);

    (void)CMGetArrayCount(arr, &st);
    (void)CMGetArrayType(arr, &st);
    (void)CMGetArrayElementAt(arr, 0, &st);
    (void)CMSetArrayElementAt(arr, 0, "x", CMPI_chars);

    while (CMHasNext(en, &st)) {
        d = CMGetNext(en, &st);
    }
    (void)CMToArray(en, &st);

    (void)CMGetBinaryFormat(dt, &st);
    (void)CMGetStringFormat(dt, &st);
    (void)CMIsInterval(dt, &st);

    (void)CMEvaluateSelExp(se, inst, &st);
    (void)CMEvaluateSelExpUsingAccessor(se, accessor, NULL, &st);
    (void)CMGetSelExpString(se, &st);
    (void)CMGetDoc(se, &st);
    (void)CMGetCod(se, &st);
    (void)CMGetSubCondCountAndType(sc, &condType, &st);
    (void)CMGetSubCondAt(sc, 0, &st);
    (void)CMGetPredicateCount(sub, &st);
    (void)CMGetPredicateAt(sub, 0, &st);
    (void)CMGetPredicate(sub, "Name", &st);
    (void)CMGetPredicateData(pr, &type, &predOp, &lhs, &rhs);
    (void)CMEvaluatePredicateUsingAccessor(pr, accessor, NULL, &st);

    (void)CMGetErrorType(err, &st);
    (void)CMGetOtherErrorType(err, &st);
    (void)CMGetOwningEntity(err, &st);
    (void)CMGetMessageID(err, &st);
    (void)CMGetErrorMessage(err, &st);
    (void)CMGetPerceivedSeverity(err, &st);
    (void)CMGetProbableCause(err, &st);
    (void)CMGetProbableCauseDescription(err, &st);
    (void)CMGetRecommendedActions(err, &st);
    (void)CMGetErrorSource(err, &st);
    (void)CMGetErrorSourceFormat(err, &st);
    (void)CMGetOtherErrorSourceFormat(err, &st);
    (void)CMGetCIMStatusCode(err, &st);
    (void)CMGetCIMStatusCodeDescription(err, &st);
    (void)CMGetMessageArguments(err, &st);
    (void)CMSetErrorType(err, SoftwareError);
    (void)CMSetOtherErrorType(err, "other");
    (void)CMSetProbableCauseDescription(err, "cause");
    (void)CMSetRecommendedActions(err, arr);
    (void)CMSetErrorSource(err, "source");
    (void)CMSetErrorSourceFormat(err, CIMObjectHandle);
    (void)CMSetOtherErrorSourceFormat(err, "format");
    (void)CMSetCIMStatusCodeDescription(err, "description");
    (void)CMSetMessageArguments(err, arr);

    (void)CMClone(inst, &st);
    (void)CMRelease(inst);
    CMReturnWithChars(mb, CMPI_RC_OK, "done");
}
