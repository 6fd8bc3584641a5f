#include "ovx/host/instance.h"

namespace ovx::host {

std::string Instance::toString() const {
    std::string text = "instance of " + path_.className() + " {";
    for (const auto& [name, value] : properties_) {
        text += " " + name + " = " + value.toText() + ";";
    }
    return text + " };";
}

}  // namespace ovx::host
