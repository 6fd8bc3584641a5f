#include "output.h"

#include "ovx/host/cim_status_names.h"

#include <charconv>
#include <cmath>

namespace ovx::cli {

namespace {

using host::Value;

bool isUnsignedType(CMPIType type) {
    return type == CMPI_uint8 || type == CMPI_uint16 || type == CMPI_uint32 || type == CMPI_uint64;
}

std::string hexEscape(unsigned code, int digits) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text = "\\x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text += kHexDigits[(code >> shift) & 0xFU];
    }
    return text;
}

std::string mofString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\t':
                quoted += "\\t";
                break;
            case '\r':
                quoted += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    quoted += hexEscape(static_cast<unsigned char>(c), 2);
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

std::string realText(double number) {
    if (!std::isfinite(number)) {
        return std::isnan(number) ? "NaN" : (number > 0 ? "Infinity" : "-Infinity");
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

std::string realText(float number) {
    if (!std::isfinite(number)) {
        return realText(static_cast<double>(number));
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

std::string char16Literal(std::uint16_t code) {
    if (code >= 0x20 && code < 0x7F && code != '\'' && code != '\\') {
        return std::string("'") + static_cast<char>(code) + "'";
    }
    return "'" + hexEscape(code, 4) + "'";
}

std::string utf8(std::uint16_t code) {
    std::string text;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    return text;
}

std::string compactInstanceText(const host::Instance& instance) {
    std::string text = "instance of " + instance.className() + " {";
    for (const auto& [name, value] : instance.properties()) {
        text += " " + name + " = " + mofLiteral(value) + ";";
    }
    return text + " };";
}

}  // namespace

std::string mofLiteral(const Value& value) {
    if (value.isNull()) {
        return "NULL";
    }
    if (value.isArray()) {
        std::string text = "{";
        const auto& elements = value.elements();
        for (std::size_t i = 0; i < elements.size(); ++i) {
            text += (i == 0 ? "" : ", ") + mofLiteral(elements[i]);
        }
        return text + "}";
    }
    const CMPIType type = value.type();
    switch (type) {
        case CMPI_boolean:
            return value.asBoolean() ? "TRUE" : "FALSE";
        case CMPI_char16:
            return char16Literal(value.asChar16());
        case CMPI_real32:
            return realText(static_cast<float>(value.asReal()));
        case CMPI_real64:
            return realText(value.asReal());
        case CMPI_string:
            return mofString(value.asString());
        case CMPI_dateTime:
            return mofString(value.asDateTime().toString());
        case CMPI_ref:
            return mofString(value.asReference().toString());
        case CMPI_instance:
            return mofString(compactInstanceText(value.asInstance()));
        default:
            break;
    }
    if (isUnsignedType(type)) {
        return std::to_string(value.asUnsigned());
    }
    return std::to_string(value.asSigned());
}

std::string instanceAsMof(const host::Instance& instance) {
    std::string text = "// " + instance.path().toString() + "\n";
    text += "instance of " + instance.className() + " {\n";
    for (const auto& [name, value] : instance.properties()) {
        text += "    " + name + " = " + mofLiteral(value) + ";\n";
    }
    return text + "};\n";
}

nlohmann::ordered_json valueAsJson(const Value& value) {
    if (value.isNull()) {
        return nullptr;
    }
    if (value.isArray()) {
        auto array = nlohmann::ordered_json::array();
        for (const Value& element : value.elements()) {
            array.push_back(valueAsJson(element));
        }
        return array;
    }
    const CMPIType type = value.type();
    switch (type) {
        case CMPI_boolean:
            return value.asBoolean();
        case CMPI_char16:
            return utf8(value.asChar16());
        case CMPI_real32:
        case CMPI_real64:
            if (!std::isfinite(value.asReal())) {
                return nullptr;
            }
            return value.asReal();
        case CMPI_string:
            return value.asString();
        case CMPI_dateTime:
            return value.asDateTime().toString();
        case CMPI_ref:
            return value.asReference().toString();
        case CMPI_instance:
            return instanceAsJson(value.asInstance());
        default:
            break;
    }
    if (isUnsignedType(type)) {
        return value.asUnsigned();
    }
    return value.asSigned();
}

nlohmann::ordered_json instanceAsJson(const host::Instance& instance) {
    auto properties = nlohmann::ordered_json::object();
    for (const auto& [name, value] : instance.properties()) {
        properties[name] = valueAsJson(value);
    }
    nlohmann::ordered_json document;
    document["path"] = instance.path().toString();
    document["className"] = instance.className();
    document["properties"] = std::move(properties);
    return document;
}

void ResultWriter::writeJson(const nlohmann::ordered_json& document) {
    // Invalid UTF-8 from a provider is replaced, never a reason to fail.
    out_ << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

void ResultWriter::classNames(const std::vector<std::string>& names) {
    if (format_ == OutputFormat::Json) {
        writeJson({{"classes", names}});
        return;
    }
    for (const std::string& name : names) {
        out_ << name << '\n';
    }
}

void ResultWriter::paths(const std::vector<host::ObjectPath>& paths) {
    if (format_ == OutputFormat::Json) {
        auto array = nlohmann::ordered_json::array();
        for (const auto& path : paths) {
            array.push_back(path.toString());
        }
        writeJson({{"paths", std::move(array)}});
        return;
    }
    for (const auto& path : paths) {
        out_ << path.toString() << '\n';
    }
}

void ResultWriter::instances(const std::vector<host::Instance>& instances) {
    if (format_ == OutputFormat::Json) {
        auto array = nlohmann::ordered_json::array();
        for (const auto& instance : instances) {
            array.push_back(instanceAsJson(instance));
        }
        writeJson({{"instances", std::move(array)}});
        return;
    }
    for (std::size_t i = 0; i < instances.size(); ++i) {
        out_ << (i == 0 ? "" : "\n") << instanceAsMof(instances[i]);
    }
}

void ResultWriter::instance(const host::Instance& instance) {
    if (format_ == OutputFormat::Json) {
        writeJson({{"instance", instanceAsJson(instance)}});
        return;
    }
    out_ << instanceAsMof(instance);
}

void ResultWriter::created(const host::ObjectPath& path) {
    if (format_ == OutputFormat::Json) {
        writeJson({{"path", path.toString()}});
        return;
    }
    out_ << path.toString() << '\n';
}

void ResultWriter::modified(const host::ObjectPath& path) {
    if (format_ == OutputFormat::Json) {
        writeJson({{"modified", path.toString()}});
        return;
    }
    out_ << "modified " << path.toString() << '\n';
}

void ResultWriter::deleted(const host::ObjectPath& path) {
    if (format_ == OutputFormat::Json) {
        writeJson({{"deleted", path.toString()}});
        return;
    }
    out_ << "deleted " << path.toString() << '\n';
}

void ResultWriter::methodResult(std::string_view method, const host::MethodReply& reply) {
    if (format_ == OutputFormat::Json) {
        auto out = nlohmann::ordered_json::object();
        for (const auto& [name, value] : reply.out) {
            out[name] = valueAsJson(value);
        }
        nlohmann::ordered_json document;
        document["method"] = std::string(method);
        document["returnValue"] = valueAsJson(reply.returnValue);
        document["out"] = std::move(out);
        writeJson(document);
        return;
    }
    out_ << "ReturnValue = " << mofLiteral(reply.returnValue) << ";\n";
    for (const auto& [name, value] : reply.out) {
        out_ << name << " = " << mofLiteral(value) << ";\n";
    }
}

void ResultWriter::error(CMPIrc rc, const std::string& message) {
    if (format_ != OutputFormat::Json) {
        return;
    }
    nlohmann::ordered_json error;
    error["name"] = host::cimStatusName(rc);
    error["code"] = static_cast<int>(rc);
    error["message"] = message;
    writeJson({{"error", std::move(error)}});
}

}  // namespace ovx::cli
