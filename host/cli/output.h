// How ovx-cim shows results: MOF text for people, JSON for scripts.
//
// Text: instances in MOF instance syntax, each under a comment line with its
// path; paths and class names one per line; a method result as
// "ReturnValue = n;" followed by one line per out-argument.
//
// JSON (one document per run, properties in the order the provider gave):
//   ecn            {"classes": ["CIM_ManagedElement", ...]}
//   ein, ain, rin  {"paths": ["root/cimv2:Class.Key=\"v\"", ...]}
//   ei, ai, ri     {"instances": [INSTANCE, ...]}
//   gi             {"instance": INSTANCE}
//   ci             {"path": "root/cimv2:..."}
//   mi             {"modified": "root/cimv2:..."}
//   di             {"deleted": "root/cimv2:..."}
//   cm             {"method": "Name", "returnValue": VALUE, "out": {"Param": VALUE, ...}}
//   CIM error      {"error": {"name": "CIM_ERR_NOT_FOUND", "code": 6, "message": "..."}}
// INSTANCE is {"path": "...", "className": "...", "properties": {"Name": VALUE, ...}}.
// VALUE: null; true/false; integers as numbers; reals as numbers (null when
// not finite); strings, char16, datetimes (25-character CIM form) and
// references (path text) as strings; embedded instances as INSTANCE; arrays
// as JSON arrays.
#pragma once

#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"
#include "ovx/host/router.h"
#include "ovx/host/value.h"

#include <cmpidt.h>
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::cli {

enum class OutputFormat { Text, Json };

// The value as a MOF literal: strings quoted with \", \\, \n, \t, \r and
// \xNN escapes so that every value stays on one line.
std::string mofLiteral(const host::Value& value);

// "// <path>\ninstance of Class {\n    Name = value;\n    ...\n};\n"
std::string instanceAsMof(const host::Instance& instance);

nlohmann::ordered_json valueAsJson(const host::Value& value);
nlohmann::ordered_json instanceAsJson(const host::Instance& instance);

class ResultWriter {
  public:
    ResultWriter(std::ostream& out, OutputFormat format) : out_(out), format_(format) {}

    void classNames(const std::vector<std::string>& names);
    void paths(const std::vector<host::ObjectPath>& paths);
    void instances(const std::vector<host::Instance>& instances);
    void instance(const host::Instance& instance);
    void created(const host::ObjectPath& path);
    void modified(const host::ObjectPath& path);
    void deleted(const host::ObjectPath& path);
    void methodResult(std::string_view method, const host::MethodReply& reply);

    // The error for scripts (JSON on the result stream); text mode writes
    // nothing here, the message goes to the error stream.
    void error(CMPIrc rc, const std::string& message);

  private:
    void writeJson(const nlohmann::ordered_json& document);

    std::ostream& out_;
    OutputFormat format_;
};

}  // namespace ovx::cli
