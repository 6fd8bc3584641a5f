// The system description document: a JSON node tree with optional sections,
// read into node definitions and edited in place for writes.
#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

#include "instrumentation.h"

namespace Quill::SystemDescription {

// Keeps members in the order a person wrote them when the file is rewritten.
using Json = nlohmann::ordered_json;

// Documents nested deeper than this are refused before parsing.
constexpr std::size_t kMaxJsonNesting = 512;
// Node trees deeper than this are refused.
constexpr std::size_t kMaxNodeDepth = 64;

struct Contents {
    // False when the document's structure is wrong: nothing of it may be used
    // or rewritten.
    bool usable = false;
    std::vector<NodeTree::NodeDefinition> topLevel;
    std::map<std::string, std::string> sections;                          // name: compact JSON text
    std::map<std::string, FileNodeStore::RebootRequests> rebootRequests;  // by node path
    // Everything wrong with the document, one readable sentence each.
    std::vector<std::string> problems;
};

// False with problem set when text is not a JSON document we accept.
bool parseDocument(const std::string& text, Json& document, std::string& problem);

// The same for the rest of what fd reads, parsed as it is read so that the
// text is never held beside the document it becomes. A read that fails or
// goes beyond maxSize bytes answers false with readError set (problem
// empty); a document we do not accept, with problem set as parseDocument sets it.
bool parseDocumentFrom(int fd, std::size_t maxSize, Json& document, std::string& problem,
                       std::string& readError);

// Reads the node tree and the sections out of a parsed document. Items with
// unknown names or unfit values are left out and listed in problems; a wrong
// structure makes the whole document unusable.
Contents interpret(const Json& document);

// The node object at path, or null when no usable node has that path.
Json* locateNode(Json& document, const std::string& path);

Json toJson(const PropertyValue& value);

// Now in UTC as "YYYY-MM-DDThh:mm:ssZ"; empty when the clock cannot be read.
std::string utcNow();

// This machine's host name, empty when it cannot be read.
std::string thisHostName();

}  // namespace Quill::SystemDescription
