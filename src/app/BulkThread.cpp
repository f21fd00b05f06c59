#include "app/BulkThread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void BulkThread::YieldToOthers() {
    // On Linux the nice value belongs to the thread, named by its kernel id.
    constexpr int kNiceness = 10;
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (now < kNiceness) ::setpriority(PRIO_PROCESS, thread, kNiceness);
}
