// The window thread's priority: real time with the privilege, as far as the limits allow
// without it, a short slice otherwise, while the program thread it starts keeps the
// process's own. No display needed.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/linux/threads.h"

namespace {

constexpr int cap_sys_nice = 23;

pid_t own_thread_id() { return static_cast<pid_t>(syscall(SYS_gettid)); }

int own_nice() { return getpriority(PRIO_PROCESS, static_cast<id_t>(own_thread_id())); }

// The thread's scheduler slice in ns, as sched_getattr reports it (0 where it has none).
uint64_t own_slice_ns() {
    uint32_t attr[14] = {};  // struct sched_attr: 56 bytes
    if (syscall(SYS_sched_getattr, own_thread_id(), attr, sizeof attr, 0) != 0) return 0;
    uint64_t runtime = 0;
    std::memcpy(&runtime, &attr[6], sizeof runtime);  // sched_runtime, after 24 bytes
    return runtime;
}

bool own_capability(int cap) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    return (data[cap / 32].effective >> (cap % 32) & 1u) != 0;
}

// Capabilities belong to each thread: this drops one from the calling thread only.
bool drop_own_capability(int cap) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[cap / 32].effective &= ~(1u << (cap % 32));
    return syscall(SYS_capset, &header, data) == 0;
}

// The lowest nice value this thread may take without CAP_SYS_NICE.
int lowest_unprivileged_nice() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return 20;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40) return -20;
    return 20 - static_cast<int>(limit.rlim_cur);
}

// Custom slices for ordinary threads came with Linux 6.12.
bool kernel_has_slices() {
    utsname name{};
    int major = 0, minor = 0;
    if (uname(&name) != 0 || std::sscanf(name.release, "%d.%d", &major, &minor) != 2) return false;
    return major > 6 || (major == 6 && minor >= 12);
}

// The thread's policy, without the reset-on-fork flag.
int own_policy() { return sched_getscheduler(own_thread_id()) & ~SCHED_RESET_ON_FORK; }

// Sets a resource limit for the whole process, both values; false if refused.
bool set_limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    return setrlimit(resource, &limit) == 0;
}

// Puts the process's RLIMIT_NICE and RLIMIT_RTPRIO back as they were, whatever a test did.
struct LimitsKept {
    rlimit nice{}, rtprio{};
    LimitsKept() {
        getrlimit(RLIMIT_NICE, &nice);
        getrlimit(RLIMIT_RTPRIO, &rtprio);
    }
    ~LimitsKept() {
        setrlimit(RLIMIT_NICE, &nice);
        setrlimit(RLIMIT_RTPRIO, &rtprio);
    }
};

struct Seen {
    int nice_before = 0, nice_after = 0, policy_after = -1;
    uint64_t slice_before = 0, slice_after = 0;
    WindowPriority result;
    bool privileged = false;
    std::atomic<int> program_nice{1000}, program_policy{-1};
    std::atomic<uint64_t> program_slice{0};
    std::atomic<int> program_done{0};
};
Seen* seen;

uint32_t record_program_thread(void*) {
    seen->program_nice.store(own_nice());
    seen->program_policy.store(own_policy());
    seen->program_slice.store(own_slice_ns());
    seen->program_done.store(1);
    return 0;
}

// What a window thread does at start-up, on a thread of its own so that the test's main
// thread keeps its priority: raise itself, then start a program thread.
void run_window_thread(Seen& out, bool drop_privilege) {
    seen = &out;
    std::thread window([&out, drop_privilege] {
        if (drop_privilege) {
            ASSERT_TRUE(drop_own_capability(cap_sys_nice));
        }
        out.privileged = own_capability(cap_sys_nice);
        out.nice_before = own_nice();
        out.slice_before = own_slice_ns();
        out.result = raise_window_thread_priority();
        out.nice_after = own_nice();
        out.slice_after = own_slice_ns();
        out.policy_after = own_policy();
        ASSERT_NE(platform_start_thread(record_program_thread), nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (out.program_done.load() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    window.join();
    ASSERT_EQ(out.program_done.load(), 1) << "the program thread never ran";
}

void expect_program_thread_kept_the_process_priority(const Seen& s) {
    EXPECT_EQ(s.program_policy.load(), SCHED_OTHER);
    EXPECT_EQ(s.program_nice.load(), s.nice_before);
    EXPECT_EQ(s.program_slice.load(), s.slice_before);
}

// Without real time: the short slice wherever the kernel has one.
void expect_the_short_slice_where_the_kernel_has_one(const Seen& s) {
    EXPECT_EQ(s.policy_after, SCHED_OTHER);
    EXPECT_EQ(s.result.short_slice, kernel_has_slices());
    EXPECT_EQ(s.slice_after, kernel_has_slices() ? 100000u : s.slice_before);
}

TEST(SdlPriority, WithThePrivilegeTheWindowThreadRunsRealTime) {
    Seen s;
    run_window_thread(s, false);
    if (!s.privileged) GTEST_SKIP() << "this process lacks CAP_SYS_NICE";
    ASSERT_TRUE(s.result.real_time) << "real-time scheduling refused to a privileged thread";
    EXPECT_EQ(s.policy_after, SCHED_FIFO);
    EXPECT_FALSE(s.result.nice_raised);
    EXPECT_FALSE(s.result.short_slice);
    expect_program_thread_kept_the_process_priority(s);
}

TEST(SdlPriority, AnRlimitAllowanceGivesRealTimeOrAsManyNiceLevelsAsItAllows) {
    LimitsKept kept;
    // Real time by an RLIMIT_RTPRIO allowance alone.
    if (!set_limit(RLIMIT_RTPRIO, 1)) GTEST_SKIP() << "this process may not raise its limits";
    Seen by_rtprio;
    run_window_thread(by_rtprio, own_capability(cap_sys_nice));
    EXPECT_TRUE(by_rtprio.result.real_time);
    EXPECT_EQ(by_rtprio.policy_after, SCHED_FIFO);
    expect_program_thread_kept_the_process_priority(by_rtprio);
    // No real time; nice values down to 5 below the process's: the window thread goes that
    // far, not the full 10.
    Seen by_nice;
    by_nice.nice_before = own_nice();
    ASSERT_TRUE(set_limit(RLIMIT_RTPRIO, 0));
    ASSERT_TRUE(set_limit(RLIMIT_NICE, static_cast<rlim_t>(20 - (by_nice.nice_before - 5))));
    run_window_thread(by_nice, own_capability(cap_sys_nice));
    EXPECT_FALSE(by_nice.result.real_time);
    EXPECT_TRUE(by_nice.result.nice_raised);
    EXPECT_EQ(by_nice.nice_after, by_nice.nice_before - 5);
    expect_the_short_slice_where_the_kernel_has_one(by_nice);
    expect_program_thread_kept_the_process_priority(by_nice);
}

TEST(SdlPriority, WithoutThePrivilegeTheWindowThreadTakesAShortSliceWhereThereIsOne) {
    LimitsKept kept;
    set_limit(RLIMIT_RTPRIO, 0);  // best effort: checked below
    if (lowest_unprivileged_nice() < own_nice()) GTEST_SKIP() << "RLIMIT_NICE allows a lower nice value";
    Seen s;
    run_window_thread(s, own_capability(cap_sys_nice));
    EXPECT_FALSE(s.privileged);
    if (s.result.real_time) GTEST_SKIP() << "RLIMIT_RTPRIO allows real time";
    EXPECT_FALSE(s.result.nice_raised);
    EXPECT_EQ(s.nice_after, s.nice_before);
    expect_the_short_slice_where_the_kernel_has_one(s);
    expect_program_thread_kept_the_process_priority(s);
}

}  // namespace
