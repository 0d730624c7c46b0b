#pragma once

#include "EcuTypes.h"

#include <initializer_list>

// A parameter set from a list of indices.
inline TParamSet Set(std::initializer_list<int> params)
{
    TParamSet s;
    for (int p : params)
        s.set(p);
    return s;
}
