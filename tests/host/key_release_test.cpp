// Keys and buttons that are physically up read as up: key-ups while Alt is down, key-ups
// that arrive with another code than their key-down, focus loss and mouse capture.
#include "tests/host/host_fixture.h"

namespace {

using KeyReleaseTest = HostTest;

// A key message's lParam: repeat count 1, the scan code and the extended-key flag.
intptr_t key_data(uint32_t scan_code, bool extended = false) {
    return static_cast<intptr_t>(1u | scan_code << 16 | (extended ? 1u << 24 : 0u));
}

constexpr uint8_t VK_NUMPAD4 = 100;

int32_t slots_set() {
    int32_t set = 0;
    for (auto& key : key_state) set += key.load();
    return set;
}

TEST_F(KeyReleaseTest, AKeyLetGoWhileAltIsDownClearsItsSlotAndStillReachesTheSystem) {
    open_host();
    send(WM_KEYDOWN, VK_LEFT, key_data(0x4B, true));
    send(WM_SYSKEYDOWN, VK_MENU, key_data(0x38) | intptr_t{1} << 29);
    size_t from = scripted.calls.size();
    EXPECT_EQ(send(WM_SYSKEYUP, VK_LEFT, key_data(0x4B, true) | intptr_t{1} << 29), 0);
    EXPECT_EQ(key_state[VK_LEFT].load(), 0);
    EXPECT_EQ(scripted_calls_since(from), "default_window_proc 261\n");
    // Keys pressed with Alt still set nothing.
    send(WM_SYSKEYDOWN, 'X', key_data(0x2D) | intptr_t{1} << 29);
    EXPECT_EQ(slots_set(), 0);
}

TEST_F(KeyReleaseTest, TheKeyUpClearsTheSlotItsKeyDownSetWhateverItsCode) {
    open_host();
    // Keypad 4 goes down as Left with Num Lock off, comes up as Numpad 4 with it on.
    send(WM_KEYDOWN, VK_LEFT, key_data(0x4B));
    send(WM_KEYDOWN, 144, key_data(0x45, true));
    send(WM_KEYUP, 144, key_data(0x45, true));
    send(WM_KEYUP, VK_NUMPAD4, key_data(0x4B));
    EXPECT_EQ(slots_set(), 0);

    // The same through a system key-up, and for a layout switched mid-press (Z becomes Y).
    send(WM_KEYDOWN, 'Z', key_data(0x15));
    send(WM_SYSKEYUP, 'Y', key_data(0x15));
    EXPECT_EQ(slots_set(), 0);

    // The keypad key and the arrow are distinct keys (the arrow's is extended): letting the
    // arrow go leaves the held keypad key's slot alone.
    send(WM_KEYDOWN, VK_LEFT, key_data(0x4B));
    send(WM_KEYDOWN, VK_LEFT, key_data(0x4B, true));
    send(WM_KEYUP, VK_LEFT, key_data(0x4B, true));
    EXPECT_EQ(key_state[VK_LEFT].load(), 1);
    send(WM_KEYUP, VK_NUMPAD4, key_data(0x4B));
    EXPECT_EQ(key_state[VK_LEFT].load(), 0);
}

TEST_F(KeyReleaseTest, ASlotStaysSetWhileAnotherKeyThatSetItIsHeld) {
    open_host();
    send(WM_KEYDOWN, VK_SHIFT, key_data(0x2A));  // left Shift
    send(WM_KEYDOWN, VK_SHIFT, key_data(0x36));  // right Shift
    send(WM_KEYUP, VK_SHIFT, key_data(0x2A));
    EXPECT_EQ(key_state[VK_SHIFT].load(), 1);
    send(WM_KEYUP, VK_SHIFT, key_data(0x36));
    EXPECT_EQ(key_state[VK_SHIFT].load(), 0);

    // Messages with no scan code (sent by a program, not typed) clear by their code alone.
    send(WM_KEYDOWN, 'A');
    send(WM_KEYDOWN, 'B');
    send(WM_KEYUP, 'A');
    EXPECT_EQ(key_state['A'].load(), 0);
    EXPECT_EQ(key_state['B'].load(), 1);
    send(WM_KEYUP, 'B');
    EXPECT_EQ(slots_set(), 0);

    // A key-up out of range still lets its physical key go.
    send(WM_KEYDOWN, 'C', key_data(0x2E));
    send(WM_KEYUP, 256, key_data(0x2E));
    EXPECT_EQ(slots_set(), 0);
}

TEST_F(KeyReleaseTest, FocusLossClearsTheKeysAndForgetsTheHeldOnes) {
    open_host();
    send(WM_KEYDOWN, VK_LEFT, key_data(0x4B, true));
    send(WM_KEYDOWN, 'A', key_data(0x1E));
    send(WM_KEYDOWN, 0, key_data(0));
    send(WM_LBUTTONDOWN);
    size_t from = scripted.calls.size();
    EXPECT_EQ(send(WM_KILLFOCUS), 0);
    EXPECT_EQ(scripted_calls_since(from), "default_window_proc 8\n");
    for (int32_t slot = 0; slot < 256; ++slot)
        EXPECT_EQ(key_state[slot].load(), slot == VK_LBUTTON ? 1 : 0) << "slot " << slot;
    // Shift held elsewhere earlier is forgotten too: this Shift's release clears the slot.
    send(WM_KEYDOWN, VK_SHIFT, key_data(0x2A));
    send(WM_KILLFOCUS);
    send(WM_KEYDOWN, VK_SHIFT, key_data(0x36));
    send(WM_KEYUP, VK_SHIFT, key_data(0x36));
    EXPECT_EQ(key_state[VK_SHIFT].load(), 0);
}

TEST_F(KeyReleaseTest, TheMouseIsCapturedWhileAnyButtonIsDown) {
    open_host();
    size_t from = scripted.calls.size();
    send(WM_LBUTTONDOWN);
    send(WM_RBUTTONDOWN);
    send(WM_LBUTTONUP);
    EXPECT_EQ(scripted_calls_since(from), "capture_mouse\n");
    send(WM_RBUTTONUP);
    EXPECT_EQ(scripted_calls_since(from), "capture_mouse\nrelease_mouse\n");

    // Another window taking the capture means the releases go there.
    send(WM_MBUTTONDOWN);
    send(WM_CAPTURECHANGED, 0, reinterpret_cast<intptr_t>(host_window));  // still ours
    EXPECT_EQ(key_state[VK_MBUTTON].load(), 1);
    from = scripted.calls.size();
    send(WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(key_state[VK_MBUTTON].load(), 0);
    EXPECT_EQ(scripted_calls_since(from), "default_window_proc 533\n");
}

}  // namespace
