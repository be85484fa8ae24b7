#include "platform/MainStack.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

namespace {
// Other threads take their default stack from the same limit; they need no more than usual.
void KeepThreadStacksUsual() {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return;
  if (pthread_attr_setstacksize(&attr, kThreadStackBytes) == 0) pthread_setattr_default_np(&attr);
  pthread_attr_destroy(&attr);
}
}  // namespace

void EnsureMainStack(char** argv) {
  rlimit limit{};
  if (getrlimit(RLIMIT_STACK, &limit) != 0) return;
  if (limit.rlim_cur == RLIM_INFINITY) return;
  if (limit.rlim_cur >= kMainStackBytes) {
    KeepThreadStacksUsual();
    return;
  }
  const rlim_t wanted = limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= kMainStackBytes
                            ? static_cast<rlim_t>(kMainStackBytes)
                            : limit.rlim_max;
  if (wanted <= limit.rlim_cur) {
    KeepThreadStacksUsual();  // raised as far as the hard limit allows, by an earlier start
    return;
  }
  limit.rlim_cur = wanted;
  if (setrlimit(RLIMIT_STACK, &limit) != 0) return;
  // The file itself, not /proc/self/exe, so the process keeps its name. The new limit is inherited,
  // so the program started again returns from here at once.
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return;
  self[length] = '\0';
  execv(self, argv);
}

}  // namespace platform
