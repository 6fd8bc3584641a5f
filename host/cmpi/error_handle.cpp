#include "cmpi/error_handle.h"

#include "cmpi/array_handle.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

namespace ovx::host::detail {

namespace {

using OptionalText = std::optional<std::string> ErrorInfo::*;
using OptionalList = std::optional<std::vector<std::string>> ErrorInfo::*;

ErrorHandle& self(const CMPIError* error) {
    return requireHandle<ErrorHandle>(error, "CMPIError");
}

// An attribute never set reads as a null string.
CMPIString* textAttribute(const CMPIError* error, CMPIStatus* rc, OptionalText attribute) {
    return guardValue<CMPIString*>(rc, nullptr, [&]() -> CMPIString* {
        const ErrorHandle& handle = self(error);
        const auto& text = handle.info.*attribute;
        return text ? newString(handle.children(), *text) : nullptr;
    });
}

CMPIArray* listAttribute(const CMPIError* error, CMPIStatus* rc, OptionalList attribute) {
    return guardValue<CMPIArray*>(rc, nullptr, [&]() -> CMPIArray* {
        const ErrorHandle& handle = self(error);
        const auto& list = handle.info.*attribute;
        if (!list) {
            return nullptr;
        }
        std::vector<Value> elements;
        for (const std::string& text : *list) {
            elements.push_back(Value::string(text));
        }
        return &make<ArrayHandle>(handle.children(), static_cast<CMPIType>(CMPI_string),
                                  std::move(elements), nullptr);
    });
}

CMPIStatus setText(CMPIError* error, const char* text, OptionalText attribute) {
    return guardStatus(
        [&] { self(error).info.*attribute = std::string(requireText(text, "text")); });
}

CMPIStatus setList(CMPIError* error, const CMPIArray* array, OptionalList attribute) {
    return guardStatus([&] {
        ErrorHandle& handle = self(error);
        const ArrayHandle& source = requireHandle<ArrayHandle>(array, "CMPIArray");
        if (source.elementType != CMPI_string) {
            throw CimError(CMPI_RC_ERR_TYPE_MISMATCH,
                           "expected a string array, got " + typeName(source.elementType) + "[]");
        }
        std::vector<std::string> texts;
        for (const Value& element : source.elements) {
            texts.push_back(element.isNull() ? std::string() : element.asString());
        }
        handle.info.*attribute = std::move(texts);
    });
}

CMPIStatus releaseError(CMPIError* error) {
    return guardStatus([&] { release(self(error)); });
}

CMPIError* cloneError(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIError*>(
        rc, nullptr, [&] { return &make<ErrorHandle>(callerArena(), self(error).info); });
}

CMPIErrorType getErrorType(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIErrorType>(rc, UnknownErrorType,
                                     [&] { return self(error).info.errorType; });
}

CMPIString* getOtherErrorType(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::otherErrorType);
}

CMPIString* getOwningEntity(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::owningEntity);
}

CMPIString* getMessageID(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::messageId);
}

CMPIString* getMessage(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::message);
}

CMPIErrorSeverity getPerceivedSeverity(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIErrorSeverity>(rc, ErrorSevUnknown,
                                         [&] { return self(error).info.perceivedSeverity; });
}

CMPIErrorProbableCause getProbableCause(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIErrorProbableCause>(rc, ErrorProbCauseUnknown,
                                              [&] { return self(error).info.probableCause; });
}

CMPIString* getProbableCauseDescription(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::probableCauseDescription);
}

CMPIArray* getRecommendedActions(const CMPIError* error, CMPIStatus* rc) {
    return listAttribute(error, rc, &ErrorInfo::recommendedActions);
}

CMPIString* getErrorSource(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::errorSource);
}

CMPIErrorSrcFormat getErrorSourceFormat(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIErrorSrcFormat>(rc, CMPIErrSrcUnknown,
                                          [&] { return self(error).info.errorSourceFormat; });
}

CMPIString* getOtherErrorSourceFormat(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::otherErrorSourceFormat);
}

CMPIrc getCIMStatusCode(const CMPIError* error, CMPIStatus* rc) {
    return guardValue<CMPIrc>(rc, CMPI_RC_ERR_FAILED,
                              [&] { return self(error).info.cimStatusCode; });
}

CMPIString* getCIMStatusCodeDescription(const CMPIError* error, CMPIStatus* rc) {
    return textAttribute(error, rc, &ErrorInfo::cimStatusCodeDescription);
}

CMPIArray* getMessageArguments(const CMPIError* error, CMPIStatus* rc) {
    return listAttribute(error, rc, &ErrorInfo::messageArguments);
}

CMPIStatus setErrorType(CMPIError* error, const CMPIErrorType type) {
    return guardStatus([&] { self(error).info.errorType = type; });
}

CMPIStatus setOtherErrorType(CMPIError* error, const char* text) {
    return setText(error, text, &ErrorInfo::otherErrorType);
}

CMPIStatus setProbableCauseDescription(CMPIError* error, const char* text) {
    return setText(error, text, &ErrorInfo::probableCauseDescription);
}

CMPIStatus setRecommendedActions(CMPIError* error, const CMPIArray* actions) {
    return setList(error, actions, &ErrorInfo::recommendedActions);
}

CMPIStatus setErrorSource(CMPIError* error, const char* text) {
    return setText(error, text, &ErrorInfo::errorSource);
}

CMPIStatus setErrorSourceFormat(CMPIError* error, const CMPIErrorSrcFormat format) {
    return guardStatus([&] { self(error).info.errorSourceFormat = format; });
}

CMPIStatus setOtherErrorSourceFormat(CMPIError* error, const char* text) {
    return setText(error, text, &ErrorInfo::otherErrorSourceFormat);
}

CMPIStatus setCIMStatusCodeDescription(CMPIError* error, const char* text) {
    return setText(error, text, &ErrorInfo::cimStatusCodeDescription);
}

CMPIStatus setMessageArguments(CMPIError* error, CMPIArray* arguments) {
    return setList(error, arguments, &ErrorInfo::messageArguments);
}

}  // namespace

CMPIErrorFT ErrorHandle::table = {CMPICurrentVersion,
                                  releaseError,
                                  cloneError,
                                  getErrorType,
                                  getOtherErrorType,
                                  getOwningEntity,
                                  getMessageID,
                                  getMessage,
                                  getPerceivedSeverity,
                                  getProbableCause,
                                  getProbableCauseDescription,
                                  getRecommendedActions,
                                  getErrorSource,
                                  getErrorSourceFormat,
                                  getOtherErrorSourceFormat,
                                  getCIMStatusCode,
                                  getCIMStatusCodeDescription,
                                  getMessageArguments,
                                  setErrorType,
                                  setOtherErrorType,
                                  setProbableCauseDescription,
                                  setRecommendedActions,
                                  setErrorSource,
                                  setErrorSourceFormat,
                                  setOtherErrorSourceFormat,
                                  setCIMStatusCodeDescription,
                                  setMessageArguments};

ErrorHandle::ErrorHandle(ErrorInfo content) : CMPIError{nullptr, &table}, info(std::move(content)) {
    hdl = static_cast<HandleBase*>(this);
}

}  // namespace ovx::host::detail
