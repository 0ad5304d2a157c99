"""The demo's page measured in one headless Chromium session, beside a plain canvas page of
our own that paints every 20 ms from a setTimeout loop and draws at each animation frame as
the page does: the present period (from one drawn picture to the next) and undrawn presents
over SECONDS, the browser's processor time resting and busy, navigation to the first
picture, and the page's files gzipped.
usage: python3 bench/web_bench.py [--build build-web] [--seconds 30]"""
import argparse
import gzip
import os
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tools"))
import serve_web  # noqa: E402
from chromium import Chromium  # noqa: E402

# The plain page: the same canvas, a new 240 x 160 picture every 20 ms, drawn at the next
# animation frame, recorded as the demo's page records its own ([number, time]).
PLAIN = """<!doctype html><canvas id="pictavon" width="240" height="160"></canvas><script>
const c = document.getElementById('pictavon').getContext('2d'), image = c.createImageData(240, 160);
window.pictavon = {shown: []}; let made = 0, drawn = 0;
(function make() { made++; setTimeout(make, 20); })();
(function draw(t) {
  if (made != drawn) { drawn = made; image.data.fill(drawn & 255); c.putImageData(image, 0, 0);
    pictavon.shown.push([drawn, t]); }
  requestAnimationFrame(draw); })(performance.now());
</script>"""


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p / 100 * len(values)))]


def browser_cpu_s(pid):
    """Processor time of the process and every descendant still running, in seconds."""
    tick = os.sysconf("SC_CLK_TCK")
    parents, times = {}, {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                fields = open(f"/proc/{entry}/stat").read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            parents[int(entry)] = int(fields[1])
            times[int(entry)] = (int(fields[11]) + int(fields[12])) / tick
    family, changed = {pid}, True
    while changed:
        changed = False
        for p, parent in parents.items():
            if parent in family and p not in family:
                family.add(p)
                changed = True
    return sum(times.get(p, 0) for p in family)


def pacing(browser, url, seconds):
    browser.open(url)
    browser.first_picture()
    time.sleep(1)  # past the start
    start = browser.evaluate("pictavon.shown.length")
    time.sleep(seconds)
    shown = browser.evaluate("pictavon.shown")[start:]
    periods = [b[1] - a[1] for a, b in zip(shown, shown[1:])]
    undrawn = sum(b[0] - a[0] - 1 for a, b in zip(shown, shown[1:]))
    return periods, undrawn, len(shown)


def cpu_share(browser, url, seconds):
    browser.open(url)
    browser.first_picture()
    time.sleep(1)
    before, t0 = browser_cpu_s(browser.process.pid), time.monotonic()
    time.sleep(seconds)
    return (browser_cpu_s(browser.process.pid) - before) / (time.monotonic() - t0)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build-web"))
    parser.add_argument("--seconds", type=float, default=30)
    args = parser.parse_args()
    os.makedirs(os.path.join(args.build, "bench"), exist_ok=True)
    with open(os.path.join(args.build, "bench", "plain.html"), "w") as out:
        out.write(PLAIN)
    server = serve_web.make_server(args.build)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_port}/"
    pages = {"plain canvas page": "bench/plain.html", "demo, resting (default)": "pictavon.html",
             "demo, busy (?rest=0)": "pictavon.html?rest=0"}
    with Chromium() as browser:
        print(f"present period over {args.seconds:.0f} s (ms): p50 p99 max, undrawn presents")
        for name, page in pages.items():
            periods, undrawn, count = pacing(browser, base + page, args.seconds)
            print(f"  {name:26} {percentile(periods, 50):6.2f} {percentile(periods, 99):6.2f} "
                  f"{max(periods):6.2f}  {undrawn} of {count}")
        print("browser processor time, share of one core over 10 s")
        for name, page in pages.items():
            print(f"  {name:26} {100 * cpu_share(browser, base + page, 10):5.1f} %")
        print("navigation to first picture (ms), 5 loads: median, max")
        for name, page in list(pages.items())[:2]:
            firsts = []
            for _ in range(5):
                browser.open("about:blank")
                browser.open(base + page)
                firsts.append(browser.first_picture())
            print(f"  {name:26} {sorted(firsts)[2]:6.0f} {max(firsts):6.0f}")
    sizes = {ext: os.path.getsize(os.path.join(args.build, "pictavon" + ext)) for ext in (".js", ".wasm", ".worker.js")}
    zipped = {ext: len(gzip.compress(open(os.path.join(args.build, "pictavon" + ext), "rb").read(), 9))
              for ext in sizes}
    print("demo files (KB): " + ", ".join(f"{ext[1:]} {sizes[ext] / 1000:.1f} ({zipped[ext] / 1000:.1f} gzipped)"
                                          for ext in sizes) + f"; total gzipped {sum(zipped.values()) / 1000:.1f}")
    server.shutdown()


if __name__ == "__main__":
    main()
