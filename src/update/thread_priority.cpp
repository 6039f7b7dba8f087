#include "update/thread_priority.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#endif

namespace tidewick {

#if defined(__linux__)
namespace {

// On Linux a nice value set for one thread id affects that thread only.
bool SetNice(int nice) {
  const auto threadId = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, threadId, nice) == 0;
}

bool SetPolicy(int policy) {
  sched_param parameter{};
  parameter.sched_priority = 0;
  return pthread_setschedparam(pthread_self(), policy, &parameter) == 0;
}

}  // namespace

bool SetCurrentThreadPriority(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::Idle:
      return SetPolicy(SCHED_IDLE);
    case TThreadPriority::Lowest:
      return SetPolicy(SCHED_OTHER) && SetNice(10);
    case TThreadPriority::BelowNormal:
      return SetPolicy(SCHED_OTHER) && SetNice(5);
    case TThreadPriority::Normal:
      return SetPolicy(SCHED_OTHER) && SetNice(0);
  }
  return false;
}
#else
bool SetCurrentThreadPriority(TThreadPriority) {
  return false;
}
#endif

}  // namespace tidewick
