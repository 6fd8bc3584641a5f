// Reading CMPI values as text, shared by the path and instance helpers.
#pragma once

#include <optional>
#include <string>

#include "cmpidt.h"
#include "cmpift.h"

namespace Quill::detail {

// True when the data holds a value: found, not null, not marked bad.
bool holdsValue(const CMPIData& data);

// The characters of a CMPI string; nullopt for a null string or one the
// broker cannot read.
std::optional<std::string> stringText(const CMPIString* string);

// A string or chars value as text; nullopt for any other type or no value.
std::optional<std::string> textOfStringData(const CMPIData& data);

// Any value a key can carry as text: strings as they are, integers in
// decimal, booleans "true"/"false", char16 as UTF-8, date-times in their
// CIM form and references as the referenced path's string form.
std::optional<std::string> keyValueText(const CMPIData& data);

// CMPI passes text as C strings, so an embedded NUL would silently cut it.
bool fitsCString(const std::string& text);

}  // namespace Quill::detail
