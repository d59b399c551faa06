#pragma once

#include <sys/types.h>
#include <unistd.h>

namespace ostrel {

// While it exists, file permissions apply to this process as to an ordinary user: run as root,
// it switches the effective user and group to nobody (the real ids stay, so it can switch
// back). `isActive()` is false when the switch was not allowed.
class WithoutPrivileges {
public:
    WithoutPrivileges() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        if (::setegid(kNobody) != 0) {
            return;
        }
        if (::seteuid(kNobody) != 0) {
            [[maybe_unused]] const int group = ::setegid(0);
            return;
        }
        switched_ = true;
        active_ = true;
    }
    ~WithoutPrivileges() {
        if (switched_) {
            [[maybe_unused]] const int user = ::seteuid(0);
            [[maybe_unused]] const int group = ::setegid(0);
        }
    }
    WithoutPrivileges(const WithoutPrivileges&) = delete;
    WithoutPrivileges& operator=(const WithoutPrivileges&) = delete;

    bool isActive() const { return active_; }

private:
    static constexpr uid_t kNobody = 65534;
    bool switched_ = false;
    bool active_ = false;
};

} // namespace ostrel
