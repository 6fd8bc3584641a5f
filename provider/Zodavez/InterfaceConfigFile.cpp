#include "Zodavez/InterfaceConfigFile.h"

#include <utility>

#include "Trace.h"
#include "quillclient.h"
#include "quillcommon.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

bool isControl(unsigned char character) {
    return character < 0x20 || character == 0x7F;
}

}  // namespace

bool InterfaceConfigFile::isStorable(const std::string& text) {
    for (const char character : text) {
        if (isControl(static_cast<unsigned char>(character))) {
            return false;
        }
    }
    return true;
}

InterfaceConfigFile::InterfaceConfigFile(const std::string& interfaceName) {
    if (interfaceName.empty() || interfaceName.find('/') != std::string::npos ||
        interfaceName.find("..") != std::string::npos || !isStorable(interfaceName)) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                            "No configuration file for the interface name '" + interfaceName + "'");
        return;
    }
    path_ = PlatformUtilities::getKestrelDataDir() + "ifcfg-" + interfaceName;
}

bool InterfaceConfigFile::exists() const {
    return path_ && File::exists(make_wstring(*path_));
}

std::optional<std::string> InterfaceConfigFile::value(const std::string& key) const {
    if (!read_) {
        read_.emplace();
        if (path_) {
            PropertyFile file{File::Path(*path_)};
            // A missing file fails to open as well: no separate look first.
            if (file.open(PropertyFile::ReadOnly)) {
                read_->emplace(std::move(file));
            }
        }
    }
    if (!*read_) {
        return std::nullopt;
    }
    return make_string((*read_)->getValue(make_wstring(key)));
}

bool InterfaceConfigFile::write(const std::vector<Entry>& entries, std::string& error) const {
    QUILL_TRACE_ENTER_PARAMS(" entries=" << entries.size());
    if (!path_) {
        error = "the interface name cannot name a file";
        return false;
    }
    PropertyFile file{File::Path(*path_)};
    if (!file.open(PropertyFile::ReadWrite)) {
        error = *path_ + " cannot be read";
        return false;
    }
    for (const Entry& entry : entries) {
        if (!isStorable(entry.second) ||
            !file.setValue(make_wstring(entry.first), make_wstring(entry.second))) {
            error = "the value of " + entry.first + " cannot be stored";
            return false;
        }
    }
    return file.save(error);
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
