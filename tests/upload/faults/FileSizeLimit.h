// A disk that fills, for fault tests: while a FileSizeLimit lives, no file of the process may
// grow beyond the limit (RLIMIT_FSIZE); a write past it fails with EFBIG instead of raising
// SIGXFSZ. Files already larger than the limit cannot grow at all, the run log included.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

namespace testing_faults {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &before_);
    previous_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
  sighandler_t previous_handler_;
};

}  // namespace testing_faults
