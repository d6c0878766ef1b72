#include "testing/faulty_env.h"

#include <unistd.h>

#include <cerrno>

namespace cartera {

std::unique_ptr<Env> MakeFaultyPosixEnv(SaveStep step, int errorNumber) {
    return MakePosixEnv([step, errorNumber](SaveStep at) {
        if (at != step) return false;
        if (errorNumber == 0) ::_exit(9);
        errno = errorNumber;
        return true;
    });
}

}  // namespace cartera
