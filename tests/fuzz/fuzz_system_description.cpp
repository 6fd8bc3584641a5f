// System description documents: any bytes are accepted, refused or partly
// used, and the nodes that are used can be found by their paths.
#include "SystemDescription.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace description = Quill::SystemDescription;
    const std::string text(reinterpret_cast<const char*>(data), size);
    description::Json document;
    std::string problem;
    if (!description::parseDocument(text, document, problem)) {
        return 0;
    }
    const description::Contents contents = description::interpret(document);
    if (!contents.usable) {
        return 0;
    }
    const Quill::NodeTree tree = Quill::NodeTree::build(contents.topLevel);
    for (std::size_t position = 0; position < tree.size(); ++position) {
        const std::string& path = tree.node(position).path;
        if (tree.find(path) != position || description::locateNode(document, path) == nullptr) {
            std::abort();
        }
    }
    for (const auto& [name, section] : contents.sections) {
        description::Json parsed;
        if (!description::parseDocument(section, parsed, problem)) {
            std::abort();
        }
    }
    return 0;
}
