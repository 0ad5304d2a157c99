// The window thread's priority: raised above the process's, with the privilege and without
// it, while the program thread it starts keeps the process's own. No display needed.
#include <gtest/gtest.h>
#include <linux/capability.h>
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
#include "platform/sdl/sdl_backend.h"

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

struct Seen {
    int nice_before = 0, nice_after = 0;
    uint64_t slice_before = 0, slice_after = 0;
    WindowPriority result;
    bool privileged = false;
    std::atomic<int> program_nice{1000};
    std::atomic<uint64_t> program_slice{0};
    std::atomic<int> program_done{0};
};
Seen* seen;

uint32_t record_program_thread(void*) {
    seen->program_nice.store(own_nice());
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
        ASSERT_NE(platform_start_thread(record_program_thread), nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (out.program_done.load() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    window.join();
    ASSERT_EQ(out.program_done.load(), 1) << "the program thread never ran";
}

void expect_program_thread_kept_the_process_priority(const Seen& s) {
    EXPECT_EQ(s.program_nice.load(), s.nice_before);
    EXPECT_EQ(s.program_slice.load(), s.slice_before);
}

// Both tests: the short slice wherever the kernel has one, with the privilege or without.
void expect_the_short_slice_where_the_kernel_has_one(const Seen& s) {
    EXPECT_EQ(s.result.short_slice, kernel_has_slices());
    EXPECT_EQ(s.slice_after, kernel_has_slices() ? 100000u : s.slice_before);
}

TEST(SdlPriority, WithThePrivilegeTheWindowThreadRunsTenNiceLevelsAbove) {
    Seen s;
    run_window_thread(s, false);
    if (!s.privileged && lowest_unprivileged_nice() >= s.nice_before)
        GTEST_SKIP() << "this process may not lower a nice value";
    EXPECT_TRUE(s.result.nice_raised);
    const int wanted = s.nice_before - 10 < -20 ? -20 : s.nice_before - 10;
    EXPECT_EQ(s.nice_after, s.privileged ? wanted : std::max(wanted, lowest_unprivileged_nice()));
    expect_the_short_slice_where_the_kernel_has_one(s);
    expect_program_thread_kept_the_process_priority(s);
}

TEST(SdlPriority, WithoutThePrivilegeTheWindowThreadTakesAShortSliceWhereThereIsOne) {
    if (lowest_unprivileged_nice() < own_nice()) GTEST_SKIP() << "RLIMIT_NICE allows a lower nice value";
    Seen s;
    run_window_thread(s, own_capability(cap_sys_nice));
    EXPECT_FALSE(s.privileged);
    EXPECT_FALSE(s.result.nice_raised);
    EXPECT_EQ(s.nice_after, s.nice_before);
    expect_the_short_slice_where_the_kernel_has_one(s);
    expect_program_thread_kept_the_process_priority(s);
}

}  // namespace
