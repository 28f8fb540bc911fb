#include "CrashDumps.h"

#include <sys/resource.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tavrel {

void keepSecretsOutOfCrashDumps() {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
#ifdef __linux__
    // Also no dump through a core_pattern pipe, and no reading of its memory
    // by other processes of the user.
    prctl(PR_SET_DUMPABLE, 0);
#endif
}

} // namespace tavrel
