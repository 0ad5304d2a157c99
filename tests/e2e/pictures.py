"""The pictures the test routine (test_routine.cpp) shows, as a capture of the window
holds them: 240 x 160, RGB, top row first. Window row j shows pixel-array row 160 - j."""

WIDTH, HEIGHT = 240, 160
KEY_ROW_Y = 150  # surface row of key slots 0-239; slots 240-255 on the next one
INPUT_ROW_Y = 152  # then the typed characters and the wheel total, one byte a pixel
INPUT_ROWS = 2
CURSOR = (0, 8, 7, 2)  # x, y, width, height of the blinking underline, surface pixels


def _window_row(surface_y):
    return surface_y + 1


def expected(keys_down=(), cursor=False):
    rgb = bytearray(WIDTH * HEIGHT * 3)
    for j in range(HEIGHT):
        k = 160 - j
        for x in range(WIDTH):
            i = 3 * (j * WIDTH + x)
            rgb[i:i + 3] = bytes(((7 * x + 13 * k) & 255, k, x))
    for j in range(_window_row(KEY_ROW_Y), _window_row(INPUT_ROW_Y + INPUT_ROWS)):
        rgb[3 * j * WIDTH:3 * (j + 1) * WIDTH] = bytes(3 * WIDTH)
    for n in keys_down:
        i = 3 * (_window_row(KEY_ROW_Y + n // WIDTH) * WIDTH + n % WIDTH)
        rgb[i:i + 3] = b"\xff\xff\xff"
    if cursor:
        x0, y0, cx, cy = CURSOR
        for y in range(y0, y0 + cy):
            for x in range(x0, x0 + cx):
                i = 3 * (_window_row(y) * WIDTH + x)
                rgb[i:i + 3] = bytes(255 - b for b in rgb[i:i + 3])
    return bytes(rgb)


def keys_shown(rgb):
    """The key slots a capture shows down."""
    down = set()
    for n in range(256):
        i = 3 * (_window_row(KEY_ROW_Y + n // WIDTH) * WIDTH + n % WIDTH)
        if rgb[i:i + 3] == b"\xff\xff\xff":
            down.add(n)
    return down


def _input_byte(rgb, n):
    i = 3 * (_window_row(INPUT_ROW_Y + n // WIDTH) * WIDTH + n % WIDTH)
    return rgb[i]


def input_shown(rgb):
    """(key slots down, typed characters as bytes, wheel total) as a capture shows them."""
    count = _input_byte(rgb, 0)
    chars = bytes(_input_byte(rgb, i) for i in range(1, count + 1))
    wheel = int.from_bytes(bytes(_input_byte(rgb, 256 + i) for i in range(4)), "little", signed=True)
    return sorted(keys_shown(rgb)), chars, wheel


def pointer_shown(rgb):
    """(mouse_x, mouse_y, mouse_in) as a capture shows them."""
    x, y, inside = (_input_byte(rgb, 260 + i) for i in range(3))
    return x, y - 1, inside


def difference(rgb, want):
    """None when equal, else where and how the two pictures first differ."""
    if len(rgb) != len(want):
        return f"{len(rgb)} bytes instead of {len(want)}"
    wrong = [i for i in range(0, len(want), 3) if rgb[i:i + 3] != want[i:i + 3]]
    if not wrong:
        return None
    i = wrong[0]
    x, j = i // 3 % WIDTH, i // 3 // WIDTH
    return (f"{len(wrong)} pixels differ; first at window ({x}, {j}): "
            f"RGB {tuple(rgb[i:i + 3])} instead of {tuple(want[i:i + 3])}")
