#pragma once
// Building blocks for the free maps the map and table editing tests make up.
#include "data/map_definition.h"

namespace zlm::test {

inline AxisDescriptor axis(const char* name, const char* minimum, const char* maximum,
    const char* toPhysical, const char* toRaw)
{
    AxisDescriptor a;
    a.name = name;
    a.minimum = minimum;
    a.maximum = maximum;
    a.toPhysical = toPhysical;
    a.toRaw = toRaw;
    return a;
}

} // namespace zlm::test
