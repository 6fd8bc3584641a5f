// The query objects' tables. The host evaluates no queries (newSelectExp
// answers CMPI_RC_ERR_NOT_SUPPORTED), so no such object is ever made; the
// tables still answer every slot, with CMPI_RC_ERR_NOT_SUPPORTED.
#pragma once

#include <cmpift.h>

namespace ovx::host::detail {

extern CMPISelectExpFT selectExpTable;
extern CMPISelectCondFT selectCondTable;
extern CMPISubCondFT subCondTable;
extern CMPIPredicateFT predicateTable;

}  // namespace ovx::host::detail
