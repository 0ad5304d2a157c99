// The Win32 backend of the platform seam: each function is the one Win32 call it names.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <atomic>
#include <cstddef>

#include "platform/platform.h"
#include "platform/surface_size.h"

// The seam's plain records are Win32's, field for field, so they pass through unconverted.
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "header size");
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount),
              "header layout");
static_assert(offsetof(BitmapInfoHeader, biClrImportant) ==
                  offsetof(BITMAPINFOHEADER, biClrImportant),
              "header layout");

namespace {

// Set once on the window thread, before the window or the thread that calls them exists.
WindowProc host_window_proc;
ThreadRoutine program_routine;

// Held by the window thread whenever it runs the host's code, that is always but while it
// waits in the system for its next message; the tick keeper runs the timer step only while
// it holds it, so the two never run the host's code at once.
CRITICAL_SECTION window_side;
std::atomic<HANDLE> program_thread_handle;

HWND hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
HDC hdc(DcHandle dc) { return reinterpret_cast<HDC>(dc); }

// The seam's procedure has Win32's shape but not its handle types: a thin WNDPROC.
LRESULT CALLBACK window_proc_entry(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return host_window_proc(reinterpret_cast<WindowHandle>(window), message, wparam, lparam);
}

DWORD WINAPI thread_entry(LPVOID argument) { return program_routine(argument); }

MSG to_msg(const Message& m) {
    MSG msg{};
    msg.hwnd = hwnd(m.window);
    msg.message = m.message;
    msg.wParam = m.wparam;
    msg.lParam = m.lparam;
    msg.time = m.time_ms;
    msg.pt.x = m.point_x;
    msg.pt.y = m.point_y;
    return msg;
}

}  // namespace

// ---- Window ------------------------------------------------------------------------------

void platform_register_class(InstanceHandle instance, WindowProc proc) {
    host_window_proc = proc;
    // From here on the window thread runs the host's code; it lets go only to wait for
    // messages (platform_get_message).
    InitializeCriticalSection(&window_side);
    EnterCriticalSection(&window_side);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;  // no CS_DBLCLKS: a double click is two clicks
    wc.lpfnWndProc = window_proc_entry;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = reinterpret_cast<HINSTANCE>(instance);
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "Ostrel";
    wc.hIconSm = nullptr;
    RegisterClassExA(&wc);
}

WindowHandle platform_create_window(InstanceHandle instance, const char* title) {
    HWND window = CreateWindowExA(0, "Ostrel", title,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, surface_width, surface_height, nullptr, nullptr,
                                  reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<WindowHandle>(window);
}

void platform_show_window(WindowHandle window, int32_t show_command) {
    ShowWindow(hwnd(window), show_command);
}

void platform_update_window(WindowHandle window) { UpdateWindow(hwnd(window)); }

void platform_client_size(WindowHandle window, int32_t* cx, int32_t* cy) {
    RECT client{};
    GetClientRect(hwnd(window), &client);
    *cx = client.right - client.left;
    *cy = client.bottom - client.top;
}

void platform_resize_window(WindowHandle window, int32_t outer_cx, int32_t outer_cy) {
    SetWindowPos(hwnd(window), nullptr, 0, 0, outer_cx, outer_cy, SWP_NOZORDER | SWP_NOMOVE);
}

// A window the system places (CW_USEDEFAULT) opens on the primary monitor, the one whose
// top-left corner is the point (0, 0): its work area, measured now, not the desktop's size
// as it was when the session started.
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return 0;
    *cx = monitor.rcWork.right - monitor.rcWork.left;
    *cy = monitor.rcWork.bottom - monitor.rcWork.top;
    return *cx > 0 && *cy > 0 ? 1 : 0;
}

namespace {

// The framed window that full screen replaced, to come back to (window thread).
struct FramedWindow {
    LONG style;
    RECT place;
};
FramedWindow framed;

}  // namespace

// A popup over the whole monitor the window is mostly on; the system treats a frameless
// window that covers the screen as full screen (no task bar over it).
int32_t platform_set_full_screen(WindowHandle window, int32_t on, int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    HWND w = hwnd(window);
    if (!on) {
        SetWindowLongA(w, GWL_STYLE, framed.style);
        const RECT& r = framed.place;
        SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
        return 1;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &monitor) || !GetWindowRect(w, &framed.place))
        return 0;
    framed.style = GetWindowLongA(w, GWL_STYLE);
    const RECT& screen = monitor.rcMonitor;
    *cx = screen.right - screen.left;
    *cy = screen.bottom - screen.top;
    SetWindowLongA(w, GWL_STYLE, (framed.style & ~(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) | WS_POPUP);
    SetWindowPos(w, HWND_TOP, screen.left, screen.top, *cx, *cy, SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    return 1;
}

void platform_set_title(WindowHandle window, const char* ansi_title) {
    SetWindowTextA(hwnd(window), ansi_title);
}

// Only the window's own thread may destroy it; the tick keeper asks for a close instead,
// which ends the run the same way.
void platform_destroy_window(WindowHandle window) {
    if (GetWindowThreadProcessId(hwnd(window), nullptr) == GetCurrentThreadId())
        DestroyWindow(hwnd(window));
    else
        PostMessageA(hwnd(window), WM_CLOSE, 0, 0);
}

void platform_paint_nothing(WindowHandle window) {
    PAINTSTRUCT paint;
    BeginPaint(hwnd(window), &paint);
    EndPaint(hwnd(window), &paint);
}

// ---- Messages ----------------------------------------------------------------------------

namespace {

// The refresh timer, as the window procedure started it: set on the window thread before
// the keeper below starts, read-only after, but for the atomic last tick.
struct RefreshTimer {
    HWND window;
    UINT_PTR id;
    int64_t period;                    // in counter units
    std::atomic<int64_t> last_tick;    // the counter when its last WM_TIMER was handed out
};
RefreshTimer refresh_timer;
bool watching_window;  // the window thread's: false once the lost window's close is asked
bool had_x_window;     // the window thread's: Wine's X window behind it was seen

// The system makes WM_TIMER only when no other message waits, so input that keeps coming
// (a flood, a stuck device) would hold back the refresh, and with it every routine that
// relies on it, for as long as it lasts. Once a period has passed, the timer's message is
// asked for by itself first: a filtered look takes it ahead of the input.
bool tick_due(int64_t now) {
    return watching_window && now - refresh_timer.last_tick.load(std::memory_order_relaxed) >= refresh_timer.period;
}

// Wine shows the window as an X window, named in this property; another X client may
// destroy it (xdotool windowclose, xkill's kinder cousins), and Wine then leaves the Win32
// window in place with nothing on screen and sends it nothing. The run must end as on a
// close then. Windows itself never sets the property.
bool x_window_lost(HWND window) {
    bool shown = GetPropA(window, "__wine_x11_whole_window") != nullptr;
    had_x_window = had_x_window || shown;
    return had_x_window && !shown;
}

Message from_msg(const MSG& m) {
    return Message{reinterpret_cast<WindowHandle>(m.hwnd), m.message, m.wParam, m.lParam, m.time, m.pt.x, m.pt.y};
}

// The next message, the refresh timer's ahead of input once it is due. The window is
// looked at once a period: a window gone, or gone from the screen, ends the run.
MSG next_message() {
    MSG m{};
    for (;;) {
        const int64_t now = platform_counter();
        if (tick_due(now)) {
            // A loop with no window left would wait for ever, or spin: the run is over.
            if (!IsWindow(refresh_timer.window)) return MSG{nullptr, WM_QUIT, 0, 0, 0, {}};
            if (x_window_lost(refresh_timer.window)) {
                watching_window = false;  // one close request is enough
                return MSG{refresh_timer.window, WM_CLOSE, 0, 0, GetTickCount(), {}};
            }
            if (PeekMessageA(&m, refresh_timer.window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
                refresh_timer.last_tick.store(now, std::memory_order_relaxed);
                return m;
            }
        }
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_TIMER && m.hwnd == refresh_timer.window)
                refresh_timer.last_tick.store(now, std::memory_order_relaxed);
            return m;
        }
        // Nothing waits: sleep until something comes, or, while there is a window to watch,
        // until the next look at it.
        DWORD wait_ms = watching_window ? 10 : INFINITE;
        MsgWaitForMultipleObjectsEx(0, nullptr, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool program_running() {
    DWORD code = 0;
    HANDLE thread = program_thread_handle.load(std::memory_order_relaxed);
    return thread != nullptr && GetExitCodeThread(thread, &code) && code == STILL_ACTIVE;
}

// Under Wine one look for messages converts every X event waiting: after a flood of input
// that is tens of thousands, for tens of seconds, and the window thread comes back only
// then. While it is away in the system and a tick is two periods late, this thread runs
// the timer step in its stead, so the refresh goes on. Only while the routine runs: the
// end-of-run step's close needs the window's own thread.
DWORD WINAPI keep_ticking(LPVOID) {
    const DWORD period_ms = static_cast<DWORD>(refresh_timer.period * 1000 / platform_counter_frequency());
    for (;;) {
        // A message wait rather than a sleep: Wine hands what the threads drew to the X
        // server when one of them waits for messages, and the window thread, away
        // converting input, does not.
        MsgWaitForMultipleObjectsEx(0, nullptr, period_ms, QS_ALLINPUT, 0);
        const int64_t now = platform_counter();
        if (now - refresh_timer.last_tick.load(std::memory_order_relaxed) < 2 * refresh_timer.period) continue;
        if (!program_running() || !TryEnterCriticalSection(&window_side)) continue;
        refresh_timer.last_tick.store(now, std::memory_order_relaxed);
        host_window_proc(reinterpret_cast<WindowHandle>(refresh_timer.window), WM_TIMER, refresh_timer.id, 0);
        LeaveCriticalSection(&window_side);
    }
}

}  // namespace

int32_t platform_get_message(Message* msg) {
    LeaveCriticalSection(&window_side);
    MSG m = next_message();
    EnterCriticalSection(&window_side);
    *msg = from_msg(m);
    return m.message != WM_QUIT ? 1 : 0;
}

void platform_translate_message(const Message* msg) {
    MSG m = to_msg(*msg);
    TranslateMessage(&m);
}

void platform_dispatch_message(const Message* msg) {
    MSG m = to_msg(*msg);
    DispatchMessageA(&m);
}

intptr_t platform_default_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam) {
    return DefWindowProcA(hwnd(window), message, wparam, lparam);
}

void platform_post_quit(int32_t exit_code) { PostQuitMessage(exit_code); }

void platform_start_timer(WindowHandle window, uintptr_t id, uint32_t period_ms) {
    SetTimer(hwnd(window), id, period_ms, nullptr);
    refresh_timer.window = hwnd(window);
    refresh_timer.id = id;
    refresh_timer.period = platform_counter_frequency() * period_ms / 1000;
    refresh_timer.last_tick.store(platform_counter(), std::memory_order_relaxed);
    watching_window = true;
    // Above the routine, which may spin on the same processor: it sleeps but for a moment
    // each period.
    HANDLE keeper = CreateThread(nullptr, 0, keep_ticking, nullptr, 0, nullptr);
    SetThreadPriority(keeper, THREAD_PRIORITY_TIME_CRITICAL);
}

void platform_capture_mouse(WindowHandle window) { SetCapture(hwnd(window)); }

void platform_release_mouse() { ReleaseCapture(); }

int32_t platform_track_mouse_leave(WindowHandle window) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd(window);
    return TrackMouseEvent(&track) ? 1 : 0;
}

void platform_message_box(const char* text, const char* caption) {
    MessageBoxA(GetFocus(), text, caption, MB_OK);
}

void platform_report_failure(const char* text) { MessageBoxA(nullptr, text, "Pictavon", MB_OK | MB_ICONERROR); }

// ---- The program thread ------------------------------------------------------------------

ThreadHandle platform_start_thread(ThreadRoutine routine) {
    program_routine = routine;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, thread_entry, nullptr, 0, &id);
    program_thread_handle.store(thread, std::memory_order_relaxed);
    return reinterpret_cast<ThreadHandle>(thread);
}

int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code) {
    DWORD exit_code = 0;
    if (!GetExitCodeThread(reinterpret_cast<HANDLE>(thread), &exit_code)) return 0;
    *code = exit_code;
    return 1;
}

void platform_suspend_thread(ThreadHandle thread) {
    SuspendThread(reinterpret_cast<HANDLE>(thread));
}

void platform_resume_thread(ThreadHandle thread) { ResumeThread(reinterpret_cast<HANDLE>(thread)); }

void platform_confine_to_first_processor() {
    DWORD_PTR process_mask = 0, system_mask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask);
    SetProcessAffinityMask(GetCurrentProcess(), 1);
}

// ---- Time --------------------------------------------------------------------------------

uint32_t platform_tick_count_ms() { return GetTickCount(); }

int64_t platform_counter() {
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

int64_t platform_counter_frequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// The resting clock's timer, the program thread's alone. A high-resolution one (Windows 10
// 1803 on) fires within a fraction of a millisecond; where the system has none, an ordinary
// one fires on the system tick, up to 15.6 ms late, so it is asked to fire that much early
// and the clock's busy wait covers the rest.
struct FrameTimer {
    HANDLE handle;
    int64_t early_100ns;
};

FrameTimer make_frame_timer() {
    constexpr DWORD access = TIMER_MODIFY_STATE | SYNCHRONIZE;
    HANDLE precise = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, access);
    if (precise != nullptr) return FrameTimer{precise, 0};
    return FrameTimer{CreateWaitableTimerExW(nullptr, nullptr, 0, access), 156250};
}

}  // namespace

void platform_sleep_until(int64_t deadline) {
    static const FrameTimer timer = make_frame_timer();
    const int64_t ahead = deadline - platform_counter(), frequency = platform_counter_frequency();
    if (ahead <= 0 || frequency <= 0 || timer.handle == nullptr) return;
    // In 100 ns units, whole seconds apart from the rest so that no product overflows.
    const int64_t units = ahead / frequency * 10000000 + ahead % frequency * 10000000 / frequency;
    if (units <= timer.early_100ns) return;
    LARGE_INTEGER due{};
    due.QuadPart = -(units - timer.early_100ns);  // negative: relative to now
    if (SetWaitableTimer(timer.handle, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer.handle, INFINITE);
}

// ---- Drawing -----------------------------------------------------------------------------

DcHandle platform_window_dc(WindowHandle window) {
    return reinterpret_cast<DcHandle>(GetDC(hwnd(window)));
}

DcHandle platform_create_memory_dc(DcHandle window_dc) {
    return reinterpret_cast<DcHandle>(CreateCompatibleDC(hdc(window_dc)));
}

BitmapHandle platform_create_dib_section(DcHandle dc, const BitmapInfoHeader* header,
                                         uint8_t** bits) {
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(hdc(dc), reinterpret_cast<const BITMAPINFO*>(header),
                                      DIB_PAL_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint8_t*>(pixels);
    return reinterpret_cast<BitmapHandle>(bitmap);
}

void platform_select_bitmap(DcHandle dc, BitmapHandle bitmap) {
    SelectObject(hdc(dc), reinterpret_cast<HBITMAP>(bitmap));
}

RegionHandle platform_create_rect_region(int32_t left, int32_t top, int32_t right,
                                         int32_t bottom) {
    RECT rect{left, top, right, bottom};
    return reinterpret_cast<RegionHandle>(CreateRectRgnIndirect(&rect));
}

void platform_select_clip_region(DcHandle dc, RegionHandle region) {
    SelectClipRgn(hdc(dc), reinterpret_cast<HRGN>(region));
}

void platform_delete_region(RegionHandle region) { DeleteObject(reinterpret_cast<HRGN>(region)); }

void platform_fill_black(DcHandle dc, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    PatBlt(hdc(dc), x, y, cx, cy, BLACKNESS);
}

void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                             DcHandle memory_dc, int32_t src_x, int32_t src_y) {
    BitBlt(hdc(window_dc), x, y, cx, cy, hdc(memory_dc), src_x, src_y, SRCCOPY);
}

void platform_set_nearest_stretch(DcHandle window_dc) { SetStretchBltMode(hdc(window_dc), COLORONCOLOR); }

void platform_stretch_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                DcHandle memory_dc, int32_t src_x, int32_t src_y, int32_t src_cx,
                                int32_t src_cy) {
    StretchBlt(hdc(window_dc), x, y, cx, cy, hdc(memory_dc), src_x, src_y, src_cx, src_cy, SRCCOPY);
}

// The refresh holds the program thread still here, and inverts the cursor in place.
int32_t platform_present_unheld(DcHandle, int32_t, int32_t, int32_t, int32_t) { return 0; }
