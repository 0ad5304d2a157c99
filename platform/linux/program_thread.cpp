// The program thread on POSIX: starting it, its exit code, holding it still at any point
// with a signal, and confining the process to one processor.
//
// Holding: suspend sends the thread a signal whose handler says "held" and then waits on a
// semaphore until resume posts it. The thread may be stopped anywhere, also inside malloc,
// stdio or its own present, so while it is held the window thread must not wait on anything
// it could own; the handler itself makes only async-signal-safe calls.
#include <dirent.h>
#include <errno.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <signal.h>
#include <time.h>

#include <atomic>
#include <cstdlib>

#include "platform/linux/threads.h"
#include "platform/messages.h"
#include "platform/platform.h"

namespace {

// Who holds the thread. suspend moves none -> asked and signals the thread; the handler
// moves asked -> taken and waits while it stays so; resume moves taken -> none. The exit
// path moves none -> ended, and no suspend signals the thread after that: pthread_kill on
// a thread that has ended but not been joined still succeeds, and no handler would ever
// answer. A suspender that gives up waiting moves asked -> none; whichever move comes first
// decides, so a signal that arrives late is harmless. The semaphores only wake the other
// side; this word is the truth.
enum : int32_t { hold_none, hold_asked, hold_taken, hold_ended };

struct ProgramThread {
    pthread_t id;
    ThreadRoutine routine;
    std::atomic<int32_t> hold;
    std::atomic<uint32_t> exit_code;  // STILL_ACTIVE until the routine returns
    sem_t acknowledged;               // posted once the thread is held
    sem_t released;                   // posted by resume
    int32_t depth;                    // window thread only: suspends not yet resumed
    ProgramThread* next;              // every record stays reachable: none is ever freed
};
ProgramThread* all_threads;  // window thread only

// Past glibc's own real-time signals; nothing else in the process uses this one.
int hold_signal() { return SIGRTMIN + 3; }

// A safety net only: the handler answers within microseconds once the signal is taken.
constexpr int64_t acknowledge_timeout_ms = 1000;

// Takes the hold asked for, if it still is, and stays here until it is released: only
// semaphore calls, which are async-signal-safe. Never runs twice at once on one thread
// (the signal is blocked while its handler runs), so a release always reaches its waiter.
void hold_here(ProgramThread* t) {
    int32_t asked = hold_asked;
    if (!t->hold.compare_exchange_strong(asked, hold_taken, std::memory_order_acq_rel)) return;
    sem_post(&t->acknowledged);
    // A wake-up by another signal (EINTR) or by a post left over from an earlier hold
    // just looks at the state again.
    while (t->hold.load(std::memory_order_acquire) == hold_taken) sem_wait(&t->released);
}

void hold_handler(int, siginfo_t* info, void*) {
    int saved_errno = errno;  // the thread goes on as if nothing happened
    if (ProgramThread* t = static_cast<ProgramThread*>(info->si_value.sival_ptr)) hold_here(t);
    errno = saved_errno;
}

void install_hold_handler() {
    static bool installed;  // window thread only
    if (installed) return;
    struct sigaction action {};
    action.sa_sigaction = hold_handler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(hold_signal(), &action, nullptr);
    installed = true;
}

void set_hold_signal_blocked(bool blocked) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, hold_signal());
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void* run_program(void* arg) {
    ProgramThread* t = static_cast<ProgramThread*>(arg);
    keep_program_thread_priority();
    set_hold_signal_blocked(false);
    uint32_t code = t->routine(nullptr);
    // Mark the end. From here on the thread answers holds itself, with the signal blocked:
    // a handler taking a hold on top of this one, on the same semaphore, could take the
    // release meant for it and leave it waiting for ever. A hold asked for meanwhile is
    // taken here first; its signal may not have come yet (ThreadSanitizer, for one, delays
    // signals until a safe point), and the suspender is waiting for the answer.
    set_hold_signal_blocked(true);
    for (int32_t seen = hold_none;
         !t->hold.compare_exchange_strong(seen, hold_ended, std::memory_order_acq_rel); seen = hold_none)
        hold_here(t);
    // Release: whoever sees the code also sees every pixel the routine wrote.
    t->exit_code.store(code, std::memory_order_release);
    return nullptr;
}

// Gives up a hold not yet taken. false if it was given up, true if it was taken meanwhile.
bool stop_asking(ProgramThread* t) {
    int32_t asked = hold_asked;
    return !t->hold.compare_exchange_strong(asked, hold_none, std::memory_order_acq_rel);
}

// Waits for the thread to answer. true when it is held.
bool wait_until_held(ProgramThread* t) {
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);  // sem_timedwait's clock
    deadline.tv_sec += acknowledge_timeout_ms / 1000;
    deadline.tv_nsec += acknowledge_timeout_ms % 1000 * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    for (;;) {
        int r = sem_timedwait(&t->acknowledged, &deadline);
        if (t->hold.load(std::memory_order_acquire) == hold_taken) return true;
        if (r != 0 && errno == ETIMEDOUT) return stop_asking(t);
        // EINTR, or an answer left over from an earlier hold: wait on.
    }
}

}  // namespace

ThreadHandle platform_start_thread(ThreadRoutine routine) {
    install_hold_handler();
    ProgramThread* t = new ProgramThread{};  // lives as long as the process
    t->routine = routine;
    t->exit_code.store(STILL_ACTIVE, std::memory_order_relaxed);
    sem_init(&t->acknowledged, 0, 0);
    sem_init(&t->released, 0, 0);
    t->next = all_threads;
    all_threads = t;
    if (pthread_create(&t->id, nullptr, run_program, t) != 0) return nullptr;
    pthread_detach(t->id);  // never joined: the process exit ends it
    return reinterpret_cast<ThreadHandle>(t);
}

int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code) {
    if (thread == nullptr) return 0;
    *code = reinterpret_cast<ProgramThread*>(thread)->exit_code.load(std::memory_order_acquire);
    return 1;
}

void platform_suspend_thread(ThreadHandle thread) {
    ProgramThread* t = reinterpret_cast<ProgramThread*>(thread);
    if (t == nullptr || pthread_equal(t->id, pthread_self())) return;
    if (t->depth > 0) {
        ++t->depth;
        return;
    }
    int32_t none = hold_none;
    if (!t->hold.compare_exchange_strong(none, hold_asked, std::memory_order_acq_rel)) return;  // ended
    sigval value{};
    value.sival_ptr = t;
    bool held = pthread_sigqueue(t->id, hold_signal(), value) == 0 ? wait_until_held(t) : stop_asking(t);
    if (held) t->depth = 1;
}

void platform_resume_thread(ThreadHandle thread) {
    ProgramThread* t = reinterpret_cast<ProgramThread*>(thread);
    if (t == nullptr || t->depth == 0) return;  // not held: nothing to do
    if (--t->depth > 0) return;
    t->hold.store(hold_none, std::memory_order_release);
    sem_post(&t->released);
}

bool program_thread_held() {
    for (const ProgramThread* t = all_threads; t != nullptr; t = t->next) {
        if (t->depth > 0) return true;
    }
    return false;
}

void platform_confine_to_first_processor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    // The first processor this process may use (processor 0 unless a cpuset says otherwise).
    int first = 0;
    while (first < CPU_SETSIZE && !CPU_ISSET(first, &allowed)) ++first;
    if (first == CPU_SETSIZE) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    // Affinity belongs to each thread on Linux: set it on every thread there is (the
    // sanitizers' and libraries' helpers too); threads started later inherit it.
    sched_setaffinity(0, sizeof one, &one);
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        sched_setaffinity(static_cast<pid_t>(std::atoi(entry->d_name)), sizeof one, &one);
    }
    closedir(tasks);
}
