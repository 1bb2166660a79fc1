#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include "platform/process_setup.h"

namespace tolvaran {

void PrepareProcess() {
  struct rlimit no_core = {0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  // Not inherited through exec: every worker, being this program again,
  // makes the call itself before its task (the password) arrives.
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &action, nullptr);
  action.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &action, nullptr);

  sigset_t relied_on;
  sigemptyset(&relied_on);
  sigaddset(&relied_on, SIGCHLD);
  sigaddset(&relied_on, SIGPIPE);
  sigprocmask(SIG_UNBLOCK, &relied_on, nullptr);
}

}  // namespace tolvaran
