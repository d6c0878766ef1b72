#pragma once
// The real file system failing one step of every save, for the tests of what a failure or a
// kill at each step leaves behind.
#include <memory>

#include "host/posix_env.h"

namespace cartera {

// The real file system with a save that asks, before each step, whether to fail it with
// an error number: so tests can fail each step in turn. A short write writes one byte.
// errorNumber 0 ends the process at the step instead (_exit(9)), as a kill there would.
std::unique_ptr<Env> MakeFaultyPosixEnv(SaveStep step, int errorNumber);

}  // namespace cartera
