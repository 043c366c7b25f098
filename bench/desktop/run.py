#!/usr/bin/env python3
"""The desktop hosts' benchmarks, in a virtual X server of their own.

    bench/desktop/run.py BUILD_DIR

- the panel idle for 10 s with the widget shown: CPU clock ticks and wake-ups (context
  switches) of the panel process; the target is 0 and 0;
- from a reply's arrival to the window's redraw: the median over many refreshes (the target
  is under one frame, 16 ms), measured on one clock: the market records when it finished
  sending each reply, the panel (--trace) when it drew;
- the status bar's peak RSS over 10,000 updates against the widget host's over 10,000
  refreshes (target: no more, and flat from 100 to 10,000).
"""
import http.server
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
marrowfin = os.path.join(build, "bin", "marrowfin")
work = tempfile.mkdtemp(prefix="marrowfin-desktop-bench.")
children = []


def start(argv, **kwargs):
    child = subprocess.Popen(argv, **kwargs)
    children.append(child)
    return child


class Market(http.server.BaseHTTPRequestHandler):
    """Every request gets a new price; the time each reply was sent is kept."""
    protocol_version = "HTTP/1.1"
    count = 0
    sent = []
    served = threading.Condition()

    def do_GET(self):
        with Market.served:
            Market.count += 1
            price = 1000 + Market.count
        body = ('{"data":{"last":{"display":"$%d.00"},"high":{"display":"$%d.00"},'
                '"low":{"display":"$%d.00"},"vol":{"value":"742.6"},"avg":{"display":"$%d.00"}}}'
                % (price, price + 1, price - 1, price)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        with Market.served:
            Market.sent.append(time.monotonic())
            Market.served.notify_all()

    def log_message(self, *args):
        pass

    @staticmethod
    def wait_for(count, seconds=30):
        with Market.served:
            return Market.served.wait_for(lambda: len(Market.sent) >= count, seconds)


def proc_counts(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime + stime
    switches = 0
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.endswith("ctxt_switches:\t" + line.split("\t")[-1]) and "ctxt" in line:
                switches += int(line.split()[-1])
    return ticks, switches


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Market)
    # A host that ends mid-request resets its connection: nothing to report.
    server.handle_error = lambda request, address: None
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]

    root = os.path.join(work, "device")
    subprocess.run([marrowfin, "install", "--device-root", root], check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run([marrowfin, "settings", "--device-root", root, "set", "currency", "USD"],
                   check=True, stderr=subprocess.DEVNULL)
    connect = ["--device-root", root, "--connect-to", f"::127.0.0.1:{port}"]

    read_end, write_end = os.pipe()
    start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
           "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = ":" + os.read(read_end, 32).decode().strip()
    env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", GTK_A11Y="none", NO_AT_BRIDGE="1",
               GSETTINGS_BACKEND="memory", GSK_RENDERER="cairo")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)

    panel = start([marrowfin, "panel", *connect, "--trace"], env=env, stdout=subprocess.PIPE,
                  stderr=subprocess.DEVNULL, text=True)
    xdotool = lambda *args: subprocess.run(["xdotool", *args], env=env, check=True,
                                           stdout=subprocess.PIPE, text=True).stdout
    window = xdotool("search", "--sync", "--onlyvisible", "--name", "^Marrowfin$").split()[0]
    Market.wait_for(2)

    # Trace lines, read on a thread of their own so none is lost while the bench waits.
    draws = []
    drawn = threading.Condition()

    def read_trace():
        for line in panel.stdout:
            event, _, when = line.partition(" ")
            if event == "draw":
                with drawn:
                    draws.append(int(when) / 1e6)
                    drawn.notify_all()

    threading.Thread(target=read_trace, daemon=True).start()

    def drawn_after(moment, seconds=10):
        with drawn:
            ok = drawn.wait_for(lambda: draws and draws[-1] >= moment, seconds)
            return next(t for t in draws if t >= moment) if ok else None

    drawn_after(Market.sent[-1])

    print("== the panel idle, the widget shown, 10 s ==")
    time.sleep(1)
    ticks0, switches0 = proc_counts(panel.pid)
    time.sleep(10)
    ticks1, switches1 = proc_counts(panel.pid)
    print(f"CPU: {ticks1 - ticks0} clock ticks; wake-ups: {switches1 - switches0} "
          f"context switches (target 0 and 0; {os.sysconf('SC_CLK_TCK')} ticks a second)")

    print()
    print("== from a reply's arrival to the window's redraw (r, 100 times) ==")
    xdotool("windowfocus", "--sync", window)
    latencies = []
    for _ in range(100):
        count = len(Market.sent)
        xdotool("key", "r")
        if not Market.wait_for(count + 1):
            break
        sent = Market.sent[count]
        at = drawn_after(sent)
        if at is not None:
            latencies.append((at - sent) * 1000)
    latencies.sort()
    print(f"median {statistics.median(latencies):.2f} ms, 90th percentile "
          f"{latencies[int(len(latencies) * 0.9) - 1]:.2f} ms, worst {latencies[-1]:.2f} ms "
          f"over {len(latencies)} replies (target: median under 16 ms)")
    panel.terminate()

    print()
    print("== peak RSS: the status bar against the widget host ==")

    def bar_peak(updates):
        # Every reply has a new price, so each is a line; the bar ends when head stops reading.
        timed = start(["/usr/bin/time", "-f", "%M", marrowfin, "bar", *connect, "--every",
                       "0.005", "--format", "plain"], stdout=subprocess.PIPE,
                      stderr=subprocess.PIPE, text=True)
        for _ in range(updates):
            if not timed.stdout.readline():
                break
        timed.stdout.close()
        timed.wait(timeout=120)
        return int(timed.stderr.read().strip().splitlines()[-1])

    def widget_peak(refreshes):
        script = os.path.join(work, f"refresh-{refreshes}")
        with open(script, "w") as f:
            f.write("show\nwait\n" + "refresh\nwait\n" * refreshes)
        run = subprocess.run(["/usr/bin/time", "-f", "%M", marrowfin, "widget", *connect,
                              "--script", script], stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE, text=True, check=True)
        return int(run.stderr.strip().splitlines()[-1])

    bar_small, bar_large = bar_peak(100), bar_peak(10000)
    widget_large = widget_peak(10000)
    print(f"bar: {bar_small} KiB after 100 updates, {bar_large} KiB after 10,000; widget host: "
          f"{widget_large} KiB after 10,000 refreshes; ratio {bar_large / widget_large:.2f}x "
          f"(target at most 1.0x, flat)")


try:
    main()
finally:
    for child in children:
        if child.poll() is None:
            child.terminate()
            child.wait()
    subprocess.run(["rm", "-rf", work])
