// The per-interface configuration file (ifcfg) in the agent's data
// directory: "key=value" lines that hold an interface's saved static
// settings. It is the administrator's data, so it is only ever replaced
// whole, all changes of one request at once.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillcommon.h"

namespace Quill {
namespace IPInterfaceProvider {

class InterfaceConfigFile {
  public:
    using Entry = std::pair<std::string, std::string>;  // key, value

    explicit InterfaceConfigFile(const std::string& interfaceName);

    // Nothing when the interface name cannot name a file of its own: empty,
    // or holding "/", "..", or a control character.
    const std::optional<std::string>& path() const { return path_; }

    bool exists() const;
    // The key's value when the file exists (empty when the file lacks the
    // key); nothing when there is no file. The file is read once, on the
    // first question; later ones answer from what was read.
    std::optional<std::string> value(const std::string& key) const;

    // Sets every entry, creating the file when needed, in one atomic
    // rewrite that keeps all other lines and their order. False, with the
    // file as it was and the reason in error, when anything fails.
    bool write(const std::vector<Entry>& entries, std::string& error) const;

    // Whether the text may go into the file: no control character, which
    // could end a line early and smuggle in other keys.
    static bool isStorable(const std::string& text);

  private:
    std::optional<std::string> path_;
    // The content read for value(); nothing when the file could not be read.
    mutable std::optional<std::optional<PropertyFile>> read_;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
