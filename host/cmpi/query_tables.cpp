#include "cmpi/query_tables.h"

#include "cmpi/slot_support.h"

namespace ovx::host::detail {

namespace {

const char kNoQueries[] = "the host does not evaluate queries";

template <typename T>
T unsupported(CMPIStatus* rc, T failure) {
    setStatus(rc, CMPI_RC_ERR_NOT_SUPPORTED, kNoQueries);
    return failure;
}

CMPIStatus unsupportedStatus() {
    return makeStatus(CMPI_RC_ERR_NOT_SUPPORTED, kNoQueries);
}

CMPIStatus releaseSelectExp(CMPISelectExp*) {
    return unsupportedStatus();
}
CMPISelectExp* cloneSelectExp(const CMPISelectExp*, CMPIStatus* rc) {
    return unsupported<CMPISelectExp*>(rc, nullptr);
}
CMPIBoolean evaluate(const CMPISelectExp*, const CMPIInstance*, CMPIStatus* rc) {
    return unsupported<CMPIBoolean>(rc, 0);
}
CMPIString* getString(const CMPISelectExp*, CMPIStatus* rc) {
    return unsupported<CMPIString*>(rc, nullptr);
}
CMPISelectCond* getDOC(const CMPISelectExp*, CMPIStatus* rc) {
    return unsupported<CMPISelectCond*>(rc, nullptr);
}
CMPISelectCond* getCOD(const CMPISelectExp*, CMPIStatus* rc) {
    return unsupported<CMPISelectCond*>(rc, nullptr);
}
CMPIBoolean evaluateSelectExpUsingAccessor(const CMPISelectExp*, CMPIAccessor*, void*,
                                           CMPIStatus* rc) {
    return unsupported<CMPIBoolean>(rc, 0);
}

CMPIStatus releaseSelectCond(CMPISelectCond*) {
    return unsupportedStatus();
}
CMPISelectCond* cloneSelectCond(const CMPISelectCond*, CMPIStatus* rc) {
    return unsupported<CMPISelectCond*>(rc, nullptr);
}
CMPICount getCountAndType(const CMPISelectCond*, int*, CMPIStatus* rc) {
    return unsupported<CMPICount>(rc, 0);
}
CMPISubCond* getSubCondAt(const CMPISelectCond*, CMPICount, CMPIStatus* rc) {
    return unsupported<CMPISubCond*>(rc, nullptr);
}

CMPIStatus releaseSubCond(CMPISubCond*) {
    return unsupportedStatus();
}
CMPISubCond* cloneSubCond(const CMPISubCond*, CMPIStatus* rc) {
    return unsupported<CMPISubCond*>(rc, nullptr);
}
CMPICount getCount(const CMPISubCond*, CMPIStatus* rc) {
    return unsupported<CMPICount>(rc, 0);
}
CMPIPredicate* getPredicateAt(const CMPISubCond*, CMPICount, CMPIStatus* rc) {
    return unsupported<CMPIPredicate*>(rc, nullptr);
}
CMPIPredicate* getPredicate(const CMPISubCond*, const char*, CMPIStatus* rc) {
    return unsupported<CMPIPredicate*>(rc, nullptr);
}

CMPIStatus releasePredicate(CMPIPredicate*) {
    return unsupportedStatus();
}
CMPIPredicate* clonePredicate(const CMPIPredicate*, CMPIStatus* rc) {
    return unsupported<CMPIPredicate*>(rc, nullptr);
}
CMPIStatus getData(const CMPIPredicate*, CMPIType*, CMPIPredOp*, CMPIString**, CMPIString**) {
    return unsupportedStatus();
}
CMPIBoolean evaluatePredicateUsingAccessor(const CMPIPredicate*, CMPIAccessor*, void*,
                                           CMPIStatus* rc) {
    return unsupported<CMPIBoolean>(rc, 0);
}

}  // namespace

CMPISelectExpFT selectExpTable = {
    CMPICurrentVersion, releaseSelectExp, cloneSelectExp, evaluate,
    getString,          getDOC,           getCOD,         evaluateSelectExpUsingAccessor};

CMPISelectCondFT selectCondTable = {CMPICurrentVersion, releaseSelectCond, cloneSelectCond,
                                    getCountAndType, getSubCondAt};

CMPISubCondFT subCondTable = {CMPICurrentVersion, releaseSubCond, cloneSubCond,
                              getCount,           getPredicateAt, getPredicate};

CMPIPredicateFT predicateTable = {CMPICurrentVersion, releasePredicate, clonePredicate, getData,
                                  evaluatePredicateUsingAccessor};

}  // namespace ovx::host::detail
