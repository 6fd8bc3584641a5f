// What a provider handed to a CMPIResult, converted as it came in.
#pragma once

#include "ovx/host/error_info.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"
#include "ovx/host/value.h"

#include <vector>

namespace ovx::host {

struct ResultData {
    std::vector<ObjectPath> objectPaths;
    std::vector<Instance> instances;
    std::vector<Value> data;
    std::vector<ErrorInfo> errors;
    unsigned doneCount = 0;  // returnDone calls
};

}  // namespace ovx::host
