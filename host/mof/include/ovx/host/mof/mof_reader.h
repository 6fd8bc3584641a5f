// Reads the MOF the project writes: comments, #pragma include/namespace
// (locale pragmas ignored), qualifier declarations (skipped) and class
// declarations with qualifiers, properties of every CIM type, arrays,
// defaults, references and methods. Every mistake is a SourceError naming
// file, line and column; a read that fails adds nothing.
#pragma once

#include "ovx/host/class_registry.h"
#include "ovx/host/mof/class_set.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::host::mof {

inline constexpr std::string_view kDefaultNamespace = "root/cimv2";

struct MofReadOptions {
    // Where classes go until a #pragma namespace says otherwise.
    std::string defaultNamespace{kDefaultNamespace};
    // Searched for #pragma include files after the including file's folder.
    std::vector<std::filesystem::path> includePath;
};

class MofReader {
  public:
    // Superclasses and referenced classes may come from classes already in
    // the set or from earlier in the text read.
    explicit MofReader(ClassSet& classes, MofReadOptions options = {});

    void readFile(const std::filesystem::path& file);
    // sourceName labels errors; includes are looked up relative to the
    // current directory, then the include path.
    void readText(std::string_view text, const std::string& sourceName);

  private:
    ClassSet& classes_;
    MofReadOptions options_;
};

// Reads the files in order into a new set.
ClassSet readMofFiles(const std::vector<std::filesystem::path>& files,
                      const MofReadOptions& options = {});

// The declaration the host's class registry keeps: the class's own
// qualifiers (plus Association when inherited), and the properties and
// methods declared or overridden in the class itself, keys marked with Key
// and parameters with explicit In and Out qualifiers.
ClassDecl toClassDecl(const MofClass& decl);

// Adds the classes of one namespace to the registry, in load order. Throws
// CimError(CMPI_RC_ERR_ALREADY_EXISTS) before adding anything when the
// registry already knows one of them. Returns how many were added.
std::size_t addToRegistry(const ClassSet& classes, std::string_view nameSpace,
                          ClassRegistry& registry);

// readMofFiles followed by addToRegistry for the default namespace.
std::size_t loadMofIntoRegistry(const std::vector<std::filesystem::path>& files,
                                ClassRegistry& registry, const MofReadOptions& options = {});

}  // namespace ovx::host::mof
