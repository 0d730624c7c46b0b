#pragma once

// The order of the parameter rows on the "Analogue Data" page, of the parameter items in
// the graph menu and of the default selection: the most useful parameters first.
#include "EcuTypes.h"

#include <array>

extern const std::array<TEcuParam, EcuParamCount> DisplayOrder;
