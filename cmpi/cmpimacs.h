/*
 * CMPI 2.0 convenience macros: status/return helpers, slot-call shorthands
 * for every encapsulated object and broker service, message formatting
 * helpers and the MI table and factory macros for plain C providers.
 *
 * Object macros evaluate their object argument twice (once to reach the
 * table, once as the first argument); pass plain pointers, not expressions
 * with side effects.
 */
#ifndef _CMPIMACS_H_
#define _CMPIMACS_H_

#include "cmpidt.h"
#include "cmpift.h"

/* ---- Status and return --------------------------------------------------
 * The status pointer and broker are copied into typed locals first, so a
 * NULL (even a literal one) is safe and each argument is evaluated once.
 */

#define CMReturn(code)                         \
    do {                                       \
        CMPIStatus cmpiReturnStatus_;          \
        cmpiReturnStatus_.rc = (CMPIrc)(code); \
        cmpiReturnStatus_.msg = NULL;          \
        return cmpiReturnStatus_;              \
    } while (0)

#define CMReturnWithString(code, str)          \
    do {                                       \
        CMPIStatus cmpiReturnStatus_;          \
        cmpiReturnStatus_.rc = (CMPIrc)(code); \
        cmpiReturnStatus_.msg = (str);         \
        return cmpiReturnStatus_;              \
    } while (0)

#define CMReturnWithChars(b, code, chars)                                                 \
    do {                                                                                  \
        const CMPIBroker* cmpiReturnBroker_ = (b);                                        \
        CMPIStatus cmpiReturnStatus_;                                                     \
        cmpiReturnStatus_.rc = (CMPIrc)(code);                                            \
        cmpiReturnStatus_.msg = cmpiReturnBroker_ ? cmpiReturnBroker_->eft->newString(    \
                                                        cmpiReturnBroker_, (chars), NULL) \
                                                  : NULL;                                 \
        return cmpiReturnStatus_;                                                         \
    } while (0)

#define CMSetStatus(st, code)                    \
    do {                                         \
        CMPIStatus* cmpiSetStatus_ = (st);       \
        if (cmpiSetStatus_) {                    \
            cmpiSetStatus_->rc = (CMPIrc)(code); \
            cmpiSetStatus_->msg = NULL;          \
        }                                        \
    } while (0)

#define CMSetStatusWithString(st, code, str)     \
    do {                                         \
        CMPIStatus* cmpiSetStatus_ = (st);       \
        if (cmpiSetStatus_) {                    \
            cmpiSetStatus_->rc = (CMPIrc)(code); \
            cmpiSetStatus_->msg = (str);         \
        }                                        \
    } while (0)

#define CMSetStatusWithChars(b, st, code, chars)                                               \
    do {                                                                                       \
        CMPIStatus* cmpiSetStatus_ = (st);                                                     \
        if (cmpiSetStatus_) {                                                                  \
            const CMPIBroker* cmpiSetBroker_ = (b);                                            \
            cmpiSetStatus_->rc = (CMPIrc)(code);                                               \
            cmpiSetStatus_->msg =                                                              \
                cmpiSetBroker_ ? cmpiSetBroker_->eft->newString(cmpiSetBroker_, (chars), NULL) \
                               : NULL;                                                         \
        }                                                                                      \
    } while (0)

/* ---- Data tests ----------------------------------------------------------
 * Yield int 0 or 1. The raw masks are 0x100/0x200/0x2000, which would read
 * as false once narrowed to CMPIBoolean.
 */

#define CMIsNullValue(d) ((int)((((d).state) & CMPI_nullValue) != 0))
#define CMIsKeyValue(d) ((int)((((d).state) & CMPI_keyValue) != 0))
#define CMIsArray(d) ((int)((((d).type) & CMPI_ARRAY) != 0))

/* ---- Generic object ------------------------------------------------------ */

#define CMIsNullObject(o) ((o) == NULL || (o)->hdl == NULL)
#define CMRelease(o) ((o)->ft->release((o)))
#define CMClone(o, rc) ((o)->ft->clone((o), (rc)))

/* ---- Result -------------------------------------------------------------- */

#define CMReturnData(r, v, t) ((r)->ft->returnData((r), (CMPIValue*)(v), (t)))
#define CMReturnInstance(r, i) ((r)->ft->returnInstance((r), (i)))
#define CMReturnObjectPath(r, o) ((r)->ft->returnObjectPath((r), (o)))
#define CMReturnDone(r) ((r)->ft->returnDone((r)))
#ifdef CMPI_VER_200
#define CMReturnError(r, e) ((r)->ft->returnError((r), (e)))
#endif

/* ---- Broker factories and utilities (eft) -------------------------------- */

#define CMNewInstance(b, op, rc) ((b)->eft->newInstance((b), (op), (rc)))
#define CMNewObjectPath(b, ns, cn, rc) ((b)->eft->newObjectPath((b), (ns), (cn), (rc)))
#define CMNewArgs(b, rc) ((b)->eft->newArgs((b), (rc)))
#define CMNewString(b, s, rc) ((b)->eft->newString((b), (s), (rc)))
#define CMNewArray(b, c, t, rc) ((b)->eft->newArray((b), (c), (t), (rc)))
#define CMNewDateTime(b, rc) ((b)->eft->newDateTime((b), (rc)))
#define CMNewDateTimeFromBinary(b, d, i, rc) ((b)->eft->newDateTimeFromBinary((b), (d), (i), (rc)))
#define CMNewDateTimeFromChars(b, d, rc) ((b)->eft->newDateTimeFromChars((b), (d), (rc)))
#define CMNewSelectExp(b, q, l, p, rc) ((b)->eft->newSelectExp((b), (q), (l), (p), (rc)))
#define CMClassPathIsA(b, p, pn, rc) ((b)->eft->classPathIsA((b), (p), (pn), (rc)))
#define CDToString(b, o, rc) ((b)->eft->toString((b), (void*)(o), (rc)))
#define CDIsOfType(b, o, t, rc) ((b)->eft->isOfType((b), (void*)(o), (t), (rc)))
#define CDGetType(b, o, rc) ((b)->eft->getType((b), (void*)(o), (rc)))
#define CMLogMessage(b, severity, id, text, string) \
    ((b)->eft->logMessage((b), (severity), (id), (text), (string)))
#define CMTraceMessage(b, level, component, text, string) \
    ((b)->eft->trace((b), (level), (component), (text), (string)))

#ifdef CMPI_VER_200
#define CMNewCMPIError(b, owner, msgID, msg, sev, pc, cimStatusCode, rc) \
    ((b)->eft->newCMPIError((b), (owner), (msgID), (msg), (sev), (pc), (cimStatusCode), (rc)))
#define CMOpenMessageFile(b, mf, mfh) ((b)->eft->openMessageFile((b), (mf), (mfh)))
#define CMCloseMessageFile(b, mfh) ((b)->eft->closeMessageFile((b), (mfh)))
/* parms is a CMFmtArgsN(...) expansion: the count, then the pairs. */
#define CMGetMessage2(b, id, mfh, def, rc, parms) \
    ((b)->eft->getMessage2((b), (id), (mfh), (def), (rc), parms))
#endif

#ifdef CMPI_VER_85
#define CMGetMessage(b, id, def, rc, parms) ((b)->eft->getMessage((b), (id), (def), (rc), parms))

/*
 * Message insert formatting. Each helper yields a (type code, value) pair
 * with the value in exactly the type the broker reads back for that code.
 */
#define CMFmtSint(v) CMPI_sint32, ((int)(v))
#define CMFmtUint(v) CMPI_uint32, ((unsigned int)(v))
#define CMFmtSint64(v) CMPI_sint64, ((CMPISint64)(v))
#define CMFmtUint64(v) CMPI_uint64, ((CMPIUint64)(v))
#define CMFmtReal(v) CMPI_real64, ((double)(v))
#define CMFmtBoolean(v) CMPI_boolean, ((int)(v))
#define CMFmtChars(v) CMPI_chars, ((char*)(v))
#define CMFmtString(v) CMPI_string, ((CMPIString*)(v))

#define CMFmtArgs0() 0
#define CMFmtArgs1(v1) 1, v1
#define CMFmtArgs2(v1, v2) 2, v1, v2
#define CMFmtArgs3(v1, v2, v3) 3, v1, v2, v3
#define CMFmtArgs4(v1, v2, v3, v4) 4, v1, v2, v3, v4
#define CMFmtArgs5(v1, v2, v3, v4, v5) 5, v1, v2, v3, v4, v5
#define CMFmtArgs6(v1, v2, v3, v4, v5, v6) 6, v1, v2, v3, v4, v5, v6
#define CMFmtArgs7(v1, v2, v3, v4, v5, v6, v7) 7, v1, v2, v3, v4, v5, v6, v7
#define CMFmtArgs8(v1, v2, v3, v4, v5, v6, v7, v8) 8, v1, v2, v3, v4, v5, v6, v7, v8
#define CMFmtArgs9(v1, v2, v3, v4, v5, v6, v7, v8, v9) 9, v1, v2, v3, v4, v5, v6, v7, v8, v9
#define CMFmtArgs10(v1, v2, v3, v4, v5, v6, v7, v8, v9, v10) \
    10, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10
#endif

/* ---- Broker services (bft) ----------------------------------------------- */

#define CBGetClassification(b) ((b)->bft->brokerCapabilities)
#define CBGetBrokerCapabilities(b) ((b)->bft->brokerCapabilities)
#define CBBrokerVersion(b) ((b)->bft->brokerVersion)
#define CBBrokerName(b) ((b)->bft->brokerName)

#define CBPrepareAttachThread(b, c) ((b)->bft->prepareAttachThread((b), (c)))
#define CBAttachThread(b, c) ((b)->bft->attachThread((b), (c)))
#define CBDetachThread(b, c) ((b)->bft->detachThread((b), (c)))
#define CBDeliverIndication(b, c, n, i) ((b)->bft->deliverIndication((b), (c), (n), (i)))
#define CBEnumInstanceNames(b, c, p, rc) ((b)->bft->enumerateInstanceNames((b), (c), (p), (rc)))
#define CBEnumInstances(b, c, p, pr, rc) ((b)->bft->enumerateInstances((b), (c), (p), (pr), (rc)))
#define CBGetInstance(b, c, p, pr, rc) ((b)->bft->getInstance((b), (c), (p), (pr), (rc)))
#define CBCreateInstance(b, c, p, i, rc) ((b)->bft->createInstance((b), (c), (p), (i), (rc)))
#ifdef CMPI_VER_90
#define CBModifyInstance(b, c, p, i, pr) ((b)->bft->modifyInstance((b), (c), (p), (i), (pr)))
#endif
#define CBDeleteInstance(b, c, p) ((b)->bft->deleteInstance((b), (c), (p)))
/* Query text first, then the query language. */
#define CBExecQuery(b, c, p, query, lang, rc) \
    ((b)->bft->execQuery((b), (c), (p), (query), (lang), (rc)))
#define CBAssociators(b, c, p, acl, rcl, r, rr, pr, rc) \
    ((b)->bft->associators((b), (c), (p), (acl), (rcl), (r), (rr), (pr), (rc)))
#define CBAssociatorNames(b, c, p, acl, rcl, r, rr, rc) \
    ((b)->bft->associatorNames((b), (c), (p), (acl), (rcl), (r), (rr), (rc)))
#define CBReferences(b, c, p, rcl, r, pr, rc) \
    ((b)->bft->references((b), (c), (p), (rcl), (r), (pr), (rc)))
#define CBReferenceNames(b, c, p, rcl, r, rc) \
    ((b)->bft->referenceNames((b), (c), (p), (rcl), (r), (rc)))
#define CBInvokeMethod(b, c, p, m, ai, ao, rc) \
    ((b)->bft->invokeMethod((b), (c), (p), (m), (ai), (ao), (rc)))
#define CBSetProperty(b, c, p, n, v, t) \
    ((b)->bft->setProperty((b), (c), (p), (n), (CMPIValue*)(v), (t)))
#define CBGetProperty(b, c, p, n, rc) ((b)->bft->getProperty((b), (c), (p), (n), (rc)))

/* ---- Context ------------------------------------------------------------- */

#define CMGetContextEntry(c, n, rc) ((c)->ft->getEntry((c), (n), (rc)))
#define CMGetContextEntryAt(c, i, n, rc) ((c)->ft->getEntryAt((c), (i), (n), (rc)))
#define CMGetContextEntryCount(c, rc) ((c)->ft->getEntryCount((c), (rc)))
#define CMAddContextEntry(c, n, v, t) ((c)->ft->addEntry((c), (n), (CMPIValue*)(v), (t)))

/* ---- Object path --------------------------------------------------------- */

#define CMSetNameSpace(p, n) ((p)->ft->setNameSpace((p), (n)))
#define CMGetNameSpace(p, rc) ((p)->ft->getNameSpace((p), (rc)))
#define CMSetHostname(p, n) ((p)->ft->setHostname((p), (n)))
#define CMGetHostname(p, rc) ((p)->ft->getHostname((p), (rc)))
#define CMSetClassName(p, n) ((p)->ft->setClassName((p), (n)))
#define CMGetClassName(p, rc) ((p)->ft->getClassName((p), (rc)))
#define CMAddKey(p, n, v, t) ((p)->ft->addKey((p), (n), (CMPIValue*)(v), (t)))
#define CMGetKey(p, n, rc) ((p)->ft->getKey((p), (n), (rc)))
#define CMGetKeyAt(p, i, n, rc) ((p)->ft->getKeyAt((p), (i), (n), (rc)))
#define CMGetKeyCount(p, rc) ((p)->ft->getKeyCount((p), (rc)))
#define CMSetNameSpaceFromObjectPath(p, s) ((p)->ft->setNameSpaceFromObjectPath((p), (s)))
#define CMSetHostAndNameSpaceFromObjectPath(p, s) \
    ((p)->ft->setHostAndNameSpaceFromObjectPath((p), (s)))
#define CMGetClassQualifier(p, q, rc) ((p)->ft->getClassQualifier((p), (q), (rc)))
#define CMGetPropertyQualifier(p, pn, q, rc) ((p)->ft->getPropertyQualifier((p), (pn), (q), (rc)))
#define CMGetMethodQualifier(p, m, q, rc) ((p)->ft->getMethodQualifier((p), (m), (q), (rc)))
#define CMGetParameterQualifier(p, m, pn, q, rc) \
    ((p)->ft->getParameterQualifier((p), (m), (pn), (q), (rc)))
#ifdef CMPI_VER_86
#define CMObjectPathToString(p, rc) ((p)->ft->toString((p), (rc)))
#endif

/* ---- Instance ------------------------------------------------------------ */

#define CMGetProperty(i, n, rc) ((i)->ft->getProperty((i), (n), (rc)))
#define CMGetPropertyAt(i, num, s, rc) ((i)->ft->getPropertyAt((i), (num), (s), (rc)))
#define CMGetPropertyCount(i, rc) ((i)->ft->getPropertyCount((i), (rc)))
#define CMSetProperty(i, n, v, t) ((i)->ft->setProperty((i), (n), (CMPIValue*)(v), (t)))
#define CMGetObjectPath(i, rc) ((i)->ft->getObjectPath((i), (rc)))
#define CMSetObjectPath(i, p) ((i)->ft->setObjectPath((i), (p)))
#define CMSetPropertyFilter(i, pl, k) ((i)->ft->setPropertyFilter((i), (pl), (k)))
#ifdef CMPI_VER_200
#define CMSetPropertyWithOrigin(i, n, v, t, o) \
    ((i)->ft->setPropertyWithOrigin((i), (n), (CMPIValue*)(v), (t), (o)))
#endif

/* ---- Args ---------------------------------------------------------------- */

#define CMAddArg(a, n, v, t) ((a)->ft->addArg((a), (n), (CMPIValue*)(v), (t)))
#define CMGetArg(a, n, rc) ((a)->ft->getArg((a), (n), (rc)))
#define CMGetArgAt(a, p, n, rc) ((a)->ft->getArgAt((a), (p), (n), (rc)))
#define CMGetArgCount(a, rc) ((a)->ft->getArgCount((a), (rc)))

/* ---- String -------------------------------------------------------------- */

/* Goes through the slot: it works with every broker and ignores how hdl is laid out. */
#define CMGetCharPtr(s) ((s)->ft->getCharPtr((s), NULL))
#define CMGetCharsPtr(s, rc) ((s)->ft->getCharPtr((s), (rc)))

/* ---- Array --------------------------------------------------------------- */

#define CMGetArrayCount(a, rc) ((a)->ft->getSize((a), (rc)))
#define CMGetArrayType(a, rc) ((a)->ft->getSimpleType((a), (rc)))
#define CMGetArrayElementAt(a, n, rc) ((a)->ft->getElementAt((a), (n), (rc)))
#define CMSetArrayElementAt(a, n, v, t) ((a)->ft->setElementAt((a), (n), (CMPIValue*)(v), (t)))

/* ---- Enumeration --------------------------------------------------------- */

#define CMGetNext(n, rc) ((n)->ft->getNext((n), (rc)))
#define CMHasNext(n, rc) ((n)->ft->hasNext((n), (rc)))
#define CMToArray(n, rc) ((n)->ft->toArray((n), (rc)))

/* ---- DateTime ------------------------------------------------------------ */

#define CMGetBinaryFormat(d, rc) ((d)->ft->getBinaryFormat((d), (rc)))
#define CMGetStringFormat(d, rc) ((d)->ft->getStringFormat((d), (rc)))
#define CMIsInterval(d, rc) ((d)->ft->isInterval((d), (rc)))

/* ---- Query objects ------------------------------------------------------- */

#define CMEvaluateSelExp(s, i, r) ((s)->ft->evaluate((s), (i), (r)))
#ifdef CMPI_VER_87
#define CMEvaluateSelExpUsingAccessor(s, i, p, r) \
    ((s)->ft->evaluateUsingAccessor((s), (i), (p), (r)))
#endif
#define CMGetSelExpString(s, r) ((s)->ft->getString((s), (r)))
#define CMGetDoc(s, r) ((s)->ft->getDOC((s), (r)))
#define CMGetCod(s, r) ((s)->ft->getCOD((s), (r)))

#define CMGetSubCondCountAndType(c, t, r) ((c)->ft->getCountAndType((c), (t), (r)))
#define CMGetSubCondAt(c, p, r) ((c)->ft->getSubCondAt((c), (p), (r)))

#define CMGetPredicateCount(s, r) ((s)->ft->getCount((s), (r)))
#define CMGetPredicateAt(s, p, r) ((s)->ft->getPredicateAt((s), (p), (r)))
#define CMGetPredicate(s, n, r) ((s)->ft->getPredicate((s), (n), (r)))

#define CMGetPredicateData(p, t, o, n, v) ((p)->ft->getData((p), (t), (o), (n), (v)))
#define CMEvaluatePredicateUsingAccessor(p, a, parm, r) \
    ((p)->ft->evaluateUsingAccessor((p), (a), (parm), (r)))

/* ---- Error --------------------------------------------------------------- */

#ifdef CMPI_VER_200
#define CMGetErrorType(e, rc) ((e)->ft->getErrorType((e), (rc)))
#define CMGetOtherErrorType(e, rc) ((e)->ft->getOtherErrorType((e), (rc)))
#define CMGetOwningEntity(e, rc) ((e)->ft->getOwningEntity((e), (rc)))
#define CMGetMessageID(e, rc) ((e)->ft->getMessageID((e), (rc)))
#define CMGetErrorMessage(e, rc) ((e)->ft->getMessage((e), (rc)))
#define CMGetPerceivedSeverity(e, rc) ((e)->ft->getPerceivedSeverity((e), (rc)))
#define CMGetProbableCause(e, rc) ((e)->ft->getProbableCause((e), (rc)))
#define CMGetProbableCauseDescription(e, rc) ((e)->ft->getProbableCauseDescription((e), (rc)))
#define CMGetRecommendedActions(e, rc) ((e)->ft->getRecommendedActions((e), (rc)))
#define CMGetErrorSource(e, rc) ((e)->ft->getErrorSource((e), (rc)))
#define CMGetErrorSourceFormat(e, rc) ((e)->ft->getErrorSourceFormat((e), (rc)))
#define CMGetOtherErrorSourceFormat(e, rc) ((e)->ft->getOtherErrorSourceFormat((e), (rc)))
#define CMGetCIMStatusCode(e, rc) ((e)->ft->getCIMStatusCode((e), (rc)))
#define CMGetCIMStatusCodeDescription(e, rc) ((e)->ft->getCIMStatusCodeDescription((e), (rc)))
#define CMGetMessageArguments(e, rc) ((e)->ft->getMessageArguments((e), (rc)))

#define CMSetErrorType(e, et) ((e)->ft->setErrorType((e), (et)))
#define CMSetOtherErrorType(e, ot) ((e)->ft->setOtherErrorType((e), (ot)))
#define CMSetProbableCauseDescription(e, pcd) ((e)->ft->setProbableCauseDescription((e), (pcd)))
#define CMSetRecommendedActions(e, ra) ((e)->ft->setRecommendedActions((e), (ra)))
#define CMSetErrorSource(e, es) ((e)->ft->setErrorSource((e), (es)))
#define CMSetErrorSourceFormat(e, esf) ((e)->ft->setErrorSourceFormat((e), (esf)))
#define CMSetOtherErrorSourceFormat(e, oesf) ((e)->ft->setOtherErrorSourceFormat((e), (oesf)))
#define CMSetCIMStatusCodeDescription(e, cd) ((e)->ft->setCIMStatusCodeDescription((e), (cd)))
#define CMSetMessageArguments(e, ma) ((e)->ft->setMessageArguments((e), (ma)))
#endif

/* ---- MI tables and factories for plain C providers -------------------------
 * CM<Type>MIStub(pfx, pn, broker, hook) defines a static MI table filled with
 * pfx-prefixed functions and the exported factory pn_Create_<Type>MI. The
 * factory stores the broker in the caller's `broker` variable (type
 * const CMPIBroker*), runs `hook` (one statement; CMNoHook for none) and
 * returns a static MI. Its parameters are named brkr, ctx and rc so hooks can
 * use them. Write a semicolon after the macro: it closes the trailing
 * prototype that ends each expansion.
 */

#define CMNoHook

/* The factory function each MI macro above ends with; Kind names the MI type. */
#define CMPI_MI_FACTORY_(Kind, table, pn, broker, hook)                                            \
    CMPI_EXTERN_C CMPI##Kind##MI* pn##_Create_##Kind##MI(const CMPIBroker* brkr,                   \
                                                         const CMPIContext* ctx, CMPIStatus* rc) { \
        static CMPI##Kind##MI mi = {NULL, &table};                                                 \
        (void)ctx;                                                                                 \
        (void)rc;                                                                                  \
        broker = brkr;                                                                             \
        hook;                                                                                      \
        return &mi;                                                                                \
    }                                                                                              \
    CMPI_EXTERN_C CMPI##Kind##MI* pn##_Create_##Kind##MI(const CMPIBroker* brkr,                   \
                                                         const CMPIContext* ctx, CMPIStatus* rc)

#define CMInstanceMIStubChange(pfx) pfx##ModifyInstance

#define CMInstanceMIStub(pfx, pn, broker, hook)                                                  \
    static CMPIInstanceMIFT instMIFT__ = {                                                       \
        CMPICurrentVersion,          CMPICurrentVersion,  "instance" #pn,   pfx##Cleanup,        \
        pfx##EnumInstanceNames,      pfx##EnumInstances,  pfx##GetInstance, pfx##CreateInstance, \
        CMInstanceMIStubChange(pfx), pfx##DeleteInstance, pfx##ExecQuery};                       \
    CMPI_MI_FACTORY_(Instance, instMIFT__, pn, broker, hook)

#define CMAssociationMIStub(pfx, pn, broker, hook)                                            \
    static CMPIAssociationMIFT assocMIFT__ = {                                                \
        CMPICurrentVersion, CMPICurrentVersion,   "association" #pn, pfx##AssociationCleanup, \
        pfx##Associators,   pfx##AssociatorNames, pfx##References,   pfx##ReferenceNames};    \
    CMPI_MI_FACTORY_(Association, assocMIFT__, pn, broker, hook)

#define CMMethodMIStub(pfx, pn, broker, hook)                                                 \
    static CMPIMethodMIFT methMIFT__ = {CMPICurrentVersion, CMPICurrentVersion, "method" #pn, \
                                        pfx##MethodCleanup, pfx##InvokeMethod};               \
    CMPI_MI_FACTORY_(Method, methMIFT__, pn, broker, hook)

#ifdef CMPI_VER_200
#define CMPI_PROPERTY_MI_ORIGIN_SLOT_ , NULL
#else
#define CMPI_PROPERTY_MI_ORIGIN_SLOT_
#endif

#define CMPropertyMIStub(pfx, pn, broker, hook)                                                    \
    static CMPIPropertyMIFT propMIFT__ = {                                                         \
        CMPICurrentVersion,   CMPICurrentVersion, "property" #pn,                                  \
        pfx##PropertyCleanup, pfx##SetProperty,   pfx##GetProperty CMPI_PROPERTY_MI_ORIGIN_SLOT_}; \
    CMPI_MI_FACTORY_(Property, propMIFT__, pn, broker, hook)

#ifdef CMPI_VER_86
#define CMIndicationMIStubExtensions(pfx) pfx##EnableIndications, pfx##DisableIndications,
#else
#define CMIndicationMIStubExtensions(pfx)
#endif

#define CMIndicationMIStub(pfx, pn, broker, hook)                                          \
    static CMPIIndicationMIFT indMIFT__ = {                                                \
        CMPICurrentVersion,     CMPICurrentVersion,    "Indication" #pn,                   \
        pfx##IndicationCleanup, pfx##AuthorizeFilter,  pfx##MustPoll,                      \
        pfx##ActivateFilter,    pfx##DeActivateFilter, CMIndicationMIStubExtensions(pfx)}; \
    CMPI_MI_FACTORY_(Indication, indMIFT__, pn, broker, hook)

#endif /* _CMPIMACS_H_ */
