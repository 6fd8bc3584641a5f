#include "SystemDescription.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <ctime>
#include <istream>
#include <streambuf>
#include <optional>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "FileAccess.h"

namespace Quill::SystemDescription {
namespace {

// Raised inside this file only, for a structure that makes the document unusable.
class StructureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ChildRef {
    std::size_t index;
    std::string id;
};

bool isComment(const std::string& member) {
    return !member.empty() && member.front() == '_';
}

// Follows the depth of arrays and objects through text given in pieces,
// skipping the brackets inside strings.
class NestingWatch {
  public:
    explicit NestingWatch(std::size_t limit) : limit_(limit) {}

    // False once the text so far is nested deeper than the limit.
    bool follow(const char* next, const char* end) {
        for (; next != end; ++next) {
            const char character = *next;
            if (inString_) {
                if (escaped_) {
                    escaped_ = false;
                } else if (character == '\\') {
                    escaped_ = true;
                } else if (character == '"') {
                    inString_ = false;
                }
            } else if (character == '"') {
                inString_ = true;
            } else if (character == '[' || character == '{') {
                if (++depth_ > limit_) {
                    return false;
                }
            } else if ((character == ']' || character == '}') && depth_ > 0) {
                --depth_;
            }
        }
        return true;
    }

  private:
    std::size_t limit_;
    std::size_t depth_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
};

bool nestingWithin(const std::string& text, std::size_t limit) {
    return NestingWatch(limit).follow(text.data(), text.data() + text.size());
}

std::string tooDeep() {
    return "is nested deeper than " + std::to_string(kMaxJsonNesting) + " levels";
}

// A descriptor read in blocks for the parser; each block is checked for size
// and nesting before the parser sees it, and a failed check stops the parse
// by throwing Stop.
class BlockReader : public std::streambuf {
  public:
    struct Stop {
        bool readFailed;  // else too deep
        std::string why;
    };

    BlockReader(int fd, std::size_t maxSize) : fd_(fd), maxSize_(maxSize), block_(kBlockSize) {}

  protected:
    int_type underflow() override {
        if (gptr() != egptr()) {
            return traits_type::to_int_type(*gptr());
        }
        for (;;) {
            const ssize_t count = ::read(fd_, block_.data(), block_.size());
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                throw Stop{true, FileAccess::errnoText(errno)};
            }
            if (count == 0) {
                return traits_type::eof();
            }
            total_ += static_cast<std::size_t>(count);
            if (total_ > maxSize_) {
                throw Stop{true, "larger than " + std::to_string(maxSize_) + " bytes"};
            }
            char* const first = block_.data();
            if (!nesting_.follow(first, first + count)) {
                throw Stop{false, tooDeep()};
            }
            setg(first, first, first + count);
            return traits_type::to_int_type(*first);
        }
    }

  private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    int fd_;
    std::size_t maxSize_;
    std::vector<char> block_;
    std::size_t total_ = 0;
    NestingWatch nesting_{kMaxJsonNesting};
};

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

// The children of one node (or the top-level nodes) that can be addressed:
// known type, usable id, not shadowed by an earlier sibling with the same id.
// Writers use the same rule, so a path always names the node readers see.
std::vector<ChildRef> usableChildren(const Json& array, const std::string& where,
                                     std::vector<std::string>* problems) {
    std::vector<ChildRef> usable;
    std::map<std::string, unsigned> typeCounts;
    std::set<std::string> ids;
    for (std::size_t index = 0; index < array.size(); ++index) {
        const std::string position = where + "[" + std::to_string(index) + "]";
        const Json& element = array[index];
        if (!element.is_object()) {
            throw StructureError(position + ": a node must be a JSON object");
        }
        const auto type = element.find("type");
        if (type == element.end()) {
            throw StructureError(position + ": the node has no \"type\"");
        }
        if (!type->is_string()) {
            throw StructureError(position + ": \"type\" must be a string");
        }
        const std::string typeName = type->get<std::string>();
        const unsigned ordinal = typeCounts[typeName]++;
        std::string id = typeName + std::to_string(ordinal);
        if (const auto explicitId = element.find("id"); explicitId != element.end()) {
            if (!explicitId->is_string()) {
                throw StructureError(position + ": \"id\" must be a string");
            }
            id = explicitId->get<std::string>();
        }
        const auto report = [problems, &position](const std::string& text) {
            if (problems) {
                problems->push_back(position + ": " + text);
            }
        };
        if (!NodeLexicon::nodeTypeFromName(typeName)) {
            report("unknown node type " + inQuotes(typeName) + "; node left out with its children");
        } else if (id.empty() || id.find('/') != std::string::npos) {
            report("the id " + inQuotes(id) +
                   " is empty or contains \"/\"; node left out with its children");
        } else if (!ids.insert(id).second) {
            report("the id " + inQuotes(id) +
                   " is already used by an earlier sibling; node left out with its children");
        } else {
            usable.push_back({index, id});
        }
    }
    return usable;
}

std::optional<PropertyValue> valueFromJson(const Json& value, NodeLexicon::ValueKind kind) {
    switch (kind) {
        case NodeLexicon::ValueKind::Text:
            if (value.is_string()) {
                return PropertyValue(value.get<std::string>());
            }
            break;
        case NodeLexicon::ValueKind::Number:
            if (value.is_number_unsigned() && value.get<unsigned long long>() <= UINT_MAX) {
                return PropertyValue(static_cast<unsigned int>(value.get<unsigned long long>()));
            }
            break;
        case NodeLexicon::ValueKind::List:
            if (value.is_array()) {
                std::vector<std::string> items;
                for (const auto& item : value) {
                    if (!item.is_string()) {
                        return std::nullopt;
                    }
                    items.push_back(item.get<std::string>());
                }
                return PropertyValue(std::move(items));
            }
            break;
    }
    return std::nullopt;
}

const char* kindDescription(NodeLexicon::ValueKind kind) {
    switch (kind) {
        case NodeLexicon::ValueKind::Number:
            return "a whole number from 0 to 4294967295";
        case NodeLexicon::ValueKind::List:
            return "an array of strings";
        case NodeLexicon::ValueKind::Text:
            break;
    }
    return "a string";
}

class Reader {
  public:
    explicit Reader(Contents& contents) : contents_(contents), hostName_(thisHostName()) {}

    void readNodes(const Json& array, const std::string& parentPath, const std::string& where,
                   std::size_t depth, std::vector<NodeTree::NodeDefinition>& into) {
        if (!array.is_array()) {
            throw StructureError(where + " must be an array of nodes");
        }
        if (depth > kMaxNodeDepth) {
            throw StructureError(where + ": nodes are nested deeper than " +
                                 std::to_string(kMaxNodeDepth) + " levels");
        }
        for (const auto& child : usableChildren(array, where, &contents_.problems)) {
            into.push_back(readNode(array[child.index], child.id, parentPath,
                                    where + "[" + std::to_string(child.index) + "]", depth));
        }
    }

  private:
    NodeTree::NodeDefinition readNode(const Json& element, const std::string& id,
                                      const std::string& parentPath, const std::string& where,
                                      std::size_t depth) {
        NodeTree::NodeDefinition definition;
        definition.type = *NodeLexicon::nodeTypeFromName(element.at("type").get<std::string>());
        definition.id = id;
        const std::string path = parentPath + "/" + id;
        const std::string subject = "node " + path + " (" + where + ")";
        for (const auto& [member, value] : element.items()) {
            if (member == "type" || member == "id" || isComment(member)) {
                continue;
            }
            if (member == "description") {
                if (!value.is_string()) {
                    throw StructureError(subject + ": \"description\" must be a string");
                }
                definition.description = value.get<std::string>();
            } else if (member == "properties") {
                readProperties(value, subject, definition);
            } else if (member == "readOnly") {
                readReadOnly(value, subject, definition);
            } else if (member == "children") {
                readNodes(value, path, where + ".children", depth + 1, definition.children);
            } else if (member == "rebootRequests") {
                readRebootRequests(value, subject, path);
            } else {
                contents_.problems.push_back(subject + ": unknown member " + inQuotes(member) +
                                             " ignored");
            }
        }
        if (definition.type == NodeLexicon::ComputerSystem && !hostName_.empty()) {
            definition.properties.emplace(NodeLexicon::Name, hostName_);
        }
        return definition;
    }

    void readProperties(const Json& properties, const std::string& subject,
                        NodeTree::NodeDefinition& definition) {
        if (!properties.is_object()) {
            throw StructureError(subject + ": \"properties\" must be an object");
        }
        for (const auto& [name, value] : properties.items()) {
            const auto property = NodeLexicon::propertyFromName(name);
            if (!property) {
                contents_.problems.push_back(subject + ": unknown property " + inQuotes(name) +
                                             " left out");
                continue;
            }
            const auto kind = *NodeLexicon::propertyKind(*property);
            auto converted = valueFromJson(value, kind);
            if (!converted) {
                contents_.problems.push_back(subject + ": property " + inQuotes(name) +
                                             " must be " + kindDescription(kind) + "; left out");
                continue;
            }
            definition.properties[*property] = std::move(*converted);
        }
    }

    void readReadOnly(const Json& readOnly, const std::string& subject,
                      NodeTree::NodeDefinition& definition) {
        if (!readOnly.is_array()) {
            throw StructureError(subject + ": \"readOnly\" must be an array of property names");
        }
        for (const auto& name : readOnly) {
            const auto property = name.is_string()
                                      ? NodeLexicon::propertyFromName(name.get<std::string>())
                                      : std::nullopt;
            if (property) {
                definition.readOnly.insert(*property);
            } else {
                contents_.problems.push_back(subject + ": unknown read-only property " +
                                             name.dump() + " ignored");
            }
        }
    }

    void readRebootRequests(const Json& value, const std::string& subject,
                            const std::string& path) {
        FileNodeStore::RebootRequests requests;
        if (!value.is_object()) {
            throw StructureError(subject + ": \"rebootRequests\" must be an object");
        }
        if (const auto count = value.find("count"); count != value.end()) {
            if (!count->is_number_unsigned()) {
                throw StructureError(subject + ": \"rebootRequests.count\" must be a whole number");
            }
            requests.count = count->get<unsigned long long>();
        }
        if (const auto last = value.find("lastRequested"); last != value.end()) {
            if (!last->is_string()) {
                throw StructureError(subject +
                                     ": \"rebootRequests.lastRequested\" must be a string");
            }
            requests.lastRequested = last->get<std::string>();
        }
        contents_.rebootRequests[path] = requests;
    }

    Contents& contents_;
    const std::string hostName_;
};

// Builds a document from the parser's events as the library's own builder
// does (a repeated member keeps its first place and takes the last value),
// but finds repeated members of a large object through an index: an ordered
// object looks each new member up from its start, which makes an object of
// one member per interface cost the square of the interfaces.
class OrderedBuilder {
  public:
    explicit OrderedBuilder(Json& root) : root_(root) {}

    bool null() { return place(Json(nullptr)); }
    bool boolean(bool value) { return place(Json(value)); }
    bool number_integer(Json::number_integer_t value) { return place(Json(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return place(Json(value)); }
    bool number_float(Json::number_float_t value, const std::string&) { return place(Json(value)); }
    bool string(std::string& value) { return place(Json(std::move(value))); }
    bool binary(Json::binary_t& value) { return place(Json::binary(std::move(value))); }
    bool start_object(std::size_t) { return open(Json::object()); }
    bool key(std::string& name) {
        key_ = std::move(name);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(Json::array()); }
    bool end_array() { return close(); }
    template <typename Error>
    bool parse_error(std::size_t, const std::string&, const Error& error) {
        throw error;
    }

  private:
    // Below this many members a scan costs less than an index.
    static constexpr std::size_t kScannedMembers = 32;

    struct Container {
        Json* value;
        std::unordered_map<std::string, std::size_t> members;  // built past kScannedMembers
    };

    bool open(Json&& empty) {
        containers_.push_back({&insert(std::move(empty)), {}});
        return true;
    }
    bool close() {
        containers_.pop_back();
        return true;
    }
    bool place(Json&& value) {
        insert(std::move(value));
        return true;
    }

    // Only the innermost open container grows, so the addresses of the
    // others stay valid.
    Json& insert(Json&& value) {
        if (containers_.empty()) {
            root_ = std::move(value);
            return root_;
        }
        Container& current = containers_.back();
        if (current.value->is_array()) {
            auto& array = current.value->get_ref<Json::array_t&>();
            array.push_back(std::move(value));
            return array.back();
        }
        auto& object = current.value->get_ref<Json::object_t&>();
        if (const auto existing = memberPosition(current, object)) {
            object.begin()[*existing].second = std::move(value);
            return object.begin()[*existing].second;
        }
        if (!current.members.empty() || object.size() + 1 > kScannedMembers) {
            current.members.emplace(key_, object.size());
        }
        object.emplace_back(std::move(key_), std::move(value));
        return object.back().second;
    }

    std::optional<std::size_t> memberPosition(Container& current, const Json::object_t& object) {
        if (object.size() < kScannedMembers) {
            for (std::size_t position = 0; position < object.size(); ++position) {
                if (object.begin()[position].first == key_) {
                    return position;
                }
            }
            return std::nullopt;
        }
        if (current.members.empty()) {
            for (std::size_t position = 0; position < object.size(); ++position) {
                current.members.emplace(object.begin()[position].first, position);
            }
        }
        const auto found = current.members.find(key_);
        return found == current.members.end() ? std::nullopt : std::optional(found->second);
    }

    Json& root_;
    std::vector<Container> containers_;
    std::string key_;
};

template <typename Input>
Json parseOrdered(Input&& input) {
    Json document;
    OrderedBuilder builder(document);
    Json::sax_parse(std::forward<Input>(input), &builder);
    return document;
}

}  // namespace

bool parseDocumentFrom(int fd, std::size_t maxSize, Json& document, std::string& problem,
                       std::string& readError) {
    BlockReader reader(fd, maxSize);
    std::istream text(&reader);
    try {
        document = parseOrdered(text);
        return true;
    } catch (const BlockReader::Stop& stop) {
        (stop.readFailed ? readError : problem) = stop.why;
    } catch (const Json::exception& error) {
        problem = std::string("is not valid JSON: ") + error.what();
    }
    return false;
}

bool parseDocument(const std::string& text, Json& document, std::string& problem) {
    if (!nestingWithin(text, kMaxJsonNesting)) {
        problem = tooDeep();
        return false;
    }
    try {
        document = parseOrdered(text);
        return true;
    } catch (const Json::exception& error) {
        problem = std::string("is not valid JSON: ") + error.what();
    }
    return false;
}

Contents interpret(const Json& document) {
    Contents contents;
    try {
        if (!document.is_object()) {
            throw StructureError("the top level must be a JSON object");
        }
        for (const auto& [member, value] : document.items()) {
            if (member != "nodes" && member != "sections" && !isComment(member)) {
                contents.problems.push_back("unknown top-level member " + inQuotes(member) +
                                            " ignored");
            }
        }
        const auto nodes = document.find("nodes");
        if (nodes == document.end()) {
            throw StructureError("the top level has no \"nodes\" array");
        }
        if (const auto sections = document.find("sections"); sections != document.end()) {
            if (!sections->is_object()) {
                throw StructureError("\"sections\" must be an object");
            }
            for (const auto& [name, value] : sections->items()) {
                contents.sections[name] = value.dump();
            }
        }
        Reader(contents).readNodes(*nodes, "", "nodes", 1, contents.topLevel);
        contents.usable = true;
    } catch (const StructureError& error) {
        contents.problems.push_back(error.what());
        contents.topLevel.clear();
        contents.sections.clear();
        contents.rebootRequests.clear();
        contents.usable = false;
    }
    return contents;
}

Json* locateNode(Json& document, const std::string& path) {
    if (path.size() < 2 || path.front() != '/' || !document.is_object()) {
        return nullptr;
    }
    try {
        auto children = document.find("nodes");
        Json* container = children == document.end() ? nullptr : &*children;
        Json* node = nullptr;
        std::size_t start = 1;
        while (start <= path.size()) {
            const auto end = std::min(path.find('/', start), path.size());
            const std::string segment = path.substr(start, end - start);
            if (segment.empty() || container == nullptr || !container->is_array()) {
                return nullptr;
            }
            node = nullptr;
            for (const auto& child : usableChildren(*container, "", nullptr)) {
                if (child.id == segment) {
                    node = &(*container)[child.index];
                    break;
                }
            }
            if (node == nullptr) {
                return nullptr;
            }
            const auto next = node->find("children");
            container = next == node->end() ? nullptr : &*next;
            start = end + 1;
        }
        return node;
    } catch (const std::exception&) {
        return nullptr;
    }
}

Json toJson(const PropertyValue& value) {
    if (const auto* number = std::get_if<unsigned int>(&value)) {
        return Json(*number);
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        return Json(*list);
    }
    return Json(std::get<std::string>(value));
}

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    char text[32] = {};
    if (::gmtime_r(&now, &parts) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) {
        return {};
    }
    return text;
}

std::string thisHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return std::string(name);
}

}  // namespace Quill::SystemDescription
