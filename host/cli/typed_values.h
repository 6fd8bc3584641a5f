// Values typed from their declaration: a property assignment or method
// argument as written on the command line, and the key values of an object
// path (which the path syntax only types as text, number or boolean).
//
// Command-line text, by declared type:
//   integers   decimal or 0x-hexadecimal, range-checked (uint16: 0..65535)
//   reals      decimal or exponent notation
//   boolean    true or false, in any letter case
//   char16     exactly one character
//   string     as written; a complete "quoted" literal is unquoted (\" \\)
//   datetime   the 25-character CIM form, timestamp or interval
//   reference  an object path, e.g. OVX_ConcreteJob.InstanceID="j1"
//   arrays     {a,b,c} with "quoted" elements where needed, or a,b,c
//   NULL       a null value of any type (quote it for the text "NULL")
#pragma once

#include "ovx/host/value.h"

#include <cmpidt.h>

#include <string>
#include <string_view>

namespace ovx::cli {

// Throws UsageError naming `what` (e.g. "property SubnetMask") when the
// text does not fit the type.
host::Value valueFromText(std::string_view text, CMPIType type, const std::string& what);

// Converts a key value as the path parser typed it to the declared type:
// numbers to the declared width, quoted text to a datetime, reference,
// number or boolean. Throws UsageError when it does not fit.
host::Value conformValue(const host::Value& value, CMPIType type, const std::string& what);

// Unquotes a complete "..." literal with \" and \\ escapes; nothing when
// the text is not exactly one such literal.
bool unquoteLiteral(std::string_view text, std::string& unquoted);

}  // namespace ovx::cli
