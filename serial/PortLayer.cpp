#include "serial/PortLayer.h"

#include "serial/PosixPortLayer.h"

namespace korvex::serial {
namespace {

thread_local int lastPortError = 0;

} // namespace

int LastPortError()
{
    return lastPortError;
}

void SetLastPortError(int error)
{
    lastPortError = error;
}

PortLayer& SystemPortLayer()
{
    static PosixPortLayer layer;
    return layer;
}

} // namespace korvex::serial
