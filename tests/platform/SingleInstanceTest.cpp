#include "platform/system/SingleInstance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

using tonalix::platform::SingleInstance;

namespace {
std::string uniqueName() { return "tonalix-test-" + std::to_string(getpid()); }

// Runs a child that takes the guard, tells the parent through a pipe, then sleeps until killed.
pid_t startHolder(const std::string& name) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    SingleInstance guard(name);
    const char ok = guard.PrevInstance() ? 'n' : 'y';
    (void)!write(fds[1], &ok, 1);
    for (;;) pause();
  }
  close(fds[1]);
  char c = 0;
  (void)!read(fds[0], &c, 1);
  close(fds[0]);
  return c == 'y' ? pid : -1;
}
}  // namespace

TEST(SingleInstance, SecondProcessIsRefusedAndAKilledHolderReleasesTheGuard) {
  const std::string name = uniqueName();
  const pid_t holder = startHolder(name);
  ASSERT_GT(holder, 0);
  {
    SingleInstance second(name);
    EXPECT_TRUE(second.PrevInstance());
  }
  // A crash leaves the lock file behind; it must not block the next start.
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  SingleInstance next(name);
  EXPECT_FALSE(next.PrevInstance());
  unlink(next.lockPath().c_str());
}

TEST(SingleInstance, TheGuardIsFreeAgainAfterANormalExit) {
  const std::string name = uniqueName() + "-b";
  { SingleInstance first(name); EXPECT_FALSE(first.PrevInstance()); }
  SingleInstance again(name);
  EXPECT_FALSE(again.PrevInstance());
  unlink(again.lockPath().c_str());
}
