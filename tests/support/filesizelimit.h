#pragma once

#include <sys/resource.h>

#include <csignal>

namespace orvr::test {

// A file-size limit on this process until lift() or the end of the scope: what stands
// in for a full disk. The signal a cut write would raise is ignored so the write fails
// with an error instead of ending the test.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        if (!ok_) {
            return;
        }
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
        if (!ok_) {
            std::signal(SIGXFSZ, oldHandler_);
        }
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool set() const { return ok_; }
    void lift() {
        if (ok_) {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
            std::signal(SIGXFSZ, oldHandler_);
            ok_ = false;
        }
    }

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool ok_ = false;
};

}  // namespace orvr::test
