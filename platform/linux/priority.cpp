// The window thread's claim on its processor: it shares one processor with a program thread
// that busy-waits, so its timer and present wake-ups must preempt that thread at once
// rather than wait for the next scheduler tick.
//
// The best means allowed is taken, silently:
// - With the privilege for real-time scheduling (CAP_SYS_NICE, or an RLIMIT_RTPRIO
//   allowance): SCHED_FIFO at the lowest real-time priority. A real-time thread that wakes
//   always preempts an ordinary one at once. Threads it creates start ordinary (reset on
//   fork). A flood of input could still keep it busy without end; so a wake-up whose work
//   runs past a bound (busy_bound_ns, 4 ms: a hundred times an ordinary one) gives real time
//   up until the thread has nothing left to do and waits again.
// - Otherwise, with an RLIMIT_NICE allowance: 10 nice levels above the process's own, or as
//   far as the allowance goes: it wins the processor's time.
// - And, where the kernel takes a scheduler slice per thread (EEVDF, Linux 6.12 on), the
//   shortest slice, which needs no privilege: a waking thread with a shorter slice than the
//   running one may cut that one's slice short, where a weight alone often waits for the
//   slice's end, up to a 4 ms tick.
// The program thread, created by the window thread and so inheriting a raised nice value
// and slice, goes back to the process's own at its start: its pacing must never suffer for
// the window thread's gain.
#include <errno.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

#include "platform/linux/threads.h"

namespace {

constexpr int nice_boost = 10;
constexpr int highest_nice_priority = -20;
constexpr uint64_t short_slice_ns = 100000;  // the kernel's shortest: 0.1 ms
constexpr int lowest_real_time_priority = 1;

// The kernel's struct sched_attr (its first version, 48 bytes), for sched_setattr and
// sched_getattr, which older C libraries do not wrap.
struct SchedAttr {
    uint32_t size;
    uint32_t sched_policy;
    uint64_t sched_flags;
    int32_t sched_nice;
    uint32_t sched_priority;
    uint64_t sched_runtime;  // for SCHED_OTHER on EEVDF kernels: the slice, in ns
    uint64_t sched_deadline;
    uint64_t sched_period;
};

// Written by the window thread before it starts the program thread (pthread_create orders
// the writes before the program thread's reads); read by the program thread at its start.
int process_nice = 0;
WindowPriority window_priority;
bool real_time_given_up;  // window thread

pid_t own_thread_id() { return static_cast<pid_t>(syscall(SYS_gettid)); }

bool set_own_nice(int nice) { return setpriority(PRIO_PROCESS, static_cast<id_t>(own_thread_id()), nice) == 0; }

// The lowest nice value RLIMIT_NICE lets an unprivileged thread take (20 - limit).
int lowest_nice_allowed() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return 20;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 40) return highest_nice_priority;
    return 20 - static_cast<int>(limit.rlim_cur);
}

bool get_own_attr(SchedAttr* attr) {
    return syscall(SYS_sched_getattr, own_thread_id(), attr, sizeof *attr, 0) == 0;
}

// The thread's own slice (0: the kernel's default), its policy and nice value kept. True
// only if the kernel took it: kernels before EEVDF's slices accept and ignore it.
bool set_own_slice(uint64_t slice_ns) {
    SchedAttr attr{};
    if (!get_own_attr(&attr) || attr.sched_policy != SCHED_OTHER) return false;
    attr.size = sizeof attr;
    attr.sched_flags = 0;
    attr.sched_runtime = slice_ns;
    if (syscall(SYS_sched_setattr, own_thread_id(), &attr, 0) != 0) return false;
    SchedAttr now{};
    return slice_ns == 0 || (get_own_attr(&now) && now.sched_runtime == slice_ns);
}

bool set_own_ordinary() {
    sched_param param{};
    return sched_setscheduler(own_thread_id(), SCHED_OTHER | SCHED_RESET_ON_FORK, &param) == 0;
}

bool set_own_real_time() {
    sched_param param{};
    param.sched_priority = lowest_real_time_priority;
    return sched_setscheduler(own_thread_id(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

// Lowers the thread's nice value as far as is allowed, at most nice_boost levels.
bool raise_own_nice(int nice) {
    int wanted = nice - nice_boost;
    if (wanted < highest_nice_priority) wanted = highest_nice_priority;
    // Without the privilege, an RLIMIT_NICE allowance short of the full boost goes as far
    // as it goes.
    const int allowed = lowest_nice_allowed();
    return (wanted < nice && set_own_nice(wanted)) || (allowed < nice && allowed > wanted && set_own_nice(allowed));
}

}  // namespace

WindowPriority raise_window_thread_priority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(own_thread_id()));
    if (nice == -1 && errno != 0) return window_priority;
    process_nice = nice;
    window_priority.real_time = set_own_real_time();
    if (window_priority.real_time) return window_priority;
    window_priority.nice_raised = raise_own_nice(nice);
    window_priority.short_slice = set_own_slice(short_slice_ns);
    return window_priority;
}

// A real-time window thread's threads start ordinary already (SCHED_RESET_ON_FORK).
void keep_program_thread_priority() {
    if (window_priority.nice_raised) set_own_nice(process_nice);  // a higher nice value needs no privilege
    if (window_priority.short_slice) set_own_slice(0);
}

void give_up_real_time() {
    if (!window_priority.real_time || real_time_given_up) return;
    real_time_given_up = set_own_ordinary();
}

void regain_real_time() {
    if (real_time_given_up) real_time_given_up = !set_own_real_time();
}
