"""Turns the raw figures of bench/run into bench/RESULTS.md (printed)."""
import datetime
import os
import platform
import statistics
import sys

out = sys.argv[1]
sizes = [s for s in ("1920x1080", "3840x2160") if os.path.isdir(os.path.join(out, s))]


def numbers(path):
    try:
        with open(path) as f:
            return [float(line.split()[0]) for line in f if line.strip()]
    except FileNotFoundError:
        return []


def fmt(values):
    if not values:
        return "n/a"
    return f"{statistics.median(values):.2f} ({min(values):.2f}–{max(values):.2f})"


def trace(path):
    events = []
    try:
        with open(path) as f:
            for line in f:
                what, at, value, duration = line.split()
                events.append((what, float(at), int(value), float(duration)))
    except FileNotFoundError:
        pass
    return events


def capture_ticks(events):
    return [d for what, _, phase, d in events if what == "tick" and phase == 1]


def lateness(events, interval=100.0):
    late = []
    anchor = None
    k = 0
    for what, at, _, duration in events:
        if what == "commit":
            anchor = at + duration
            k = 0
        elif what == "tick" and anchor is not None:
            k += 1
            late.append(max(0.0, at - (anchor + k * interval)))
    return late


def percentile(values, p):
    if not values:
        return float("nan")
    s = sorted(values)
    return s[min(len(s) - 1, int(round(p / 100 * (len(s) - 1))))]


cpu = "unknown"
try:
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
except OSError:
    pass

print("# Pagerook benchmark results")
print()
print(f"Date: {datetime.date.today().isoformat()}. Machine: {cpu}, {os.cpu_count()} cores, "
      f"{platform.system()} {platform.release()}. Produced by `bench/run`.")
print("All figures are medians with (min–max), in milliseconds unless stated; a private Xvfb "
      "with openbox, a 1000 × 1000 region of a rendered text page with a picture.")
print()
print("## Per-page capture work")
print()
print("The floor is an MIT-SHM grab of the region, tjCompress2 with the program's settings and a "
      "write, with nothing else: once in a tight loop, where every cache stays warm, and once "
      "with a tick's pause (100 ms, not timed) between pages, as a run's process and the X server "
      "wake once a tick. Ratios are median / median.")
print()
print("| screen | Pagerook (tick start → JPEG on disk) | floor, a tick between pages | ratio "
      "| floor, tight loop | ratio | maim | scrot | import |")
print("|---|---|---|---|---|---|---|---|---|")
summary = {}


def ratio_of(a, b):
    return f"{statistics.median(a) / statistics.median(b):.2f} ×" if a and b else "n/a"


for size in sizes:
    d = os.path.join(out, size)
    ours = capture_ticks(trace(os.path.join(d, "trace-rounds.txt")))
    floor = numbers(os.path.join(d, "floor.txt"))
    paced = numbers(os.path.join(d, "floor-paced.txt"))
    tools = {t: numbers(os.path.join(d, f"{t}.txt")) for t in ("maim", "scrot", "import")}
    summary[size] = (ours, floor, tools)
    print(f"| {size} | {fmt(ours)} | {fmt(paced)} | {ratio_of(ours, paced)} | {fmt(floor)} | "
          f"{ratio_of(ours, floor)} | " + " | ".join(fmt(tools[t]) for t in ("maim", "scrot", "import")) + " |")
print()
wayland = os.path.join(out, "wayland")
if os.path.isdir(wayland):
    steps = [line.split() for line in open(os.path.join(wayland, "probe"))]
    copy = [float(f[2]) for f in steps]
    write = [float(f[7]) for f in steps]
    page = [c + w for c, w in zip(copy, write)]
    grim = [int(line) / 1000 for line in open(os.path.join(wayland, "grim"))]
    region = open(os.path.join(wayland, "region")).read().strip()
    print(f"Wayland (headless sway 1.7, pixman renderer), a region of {region}: the backend's "
          "per-page work, one wlr-screencopy copy into shared memory kept for the program's life "
          f"+ TurboJPEG + write, {fmt(page)} (copy {fmt(copy)}, encode and write {fmt(write)}); "
          f"grim's shot of the same region, a process per shot, {fmt(grim)}.")
    print()
print("Pagerook's time relative to each alternative (median / median):")
print()
for size, (ours, floor, tools) in summary.items():
    parts = []
    for t, v in tools.items():
        if ours and v:
            parts.append(f"{statistics.median(ours) / statistics.median(v):.3f} × {t}")
    print(f"- {size}: " + ", ".join(parts))
print()
print("## Page compare")
print()
print("Each capture is compared with the last saved page before anything is encoded; a new "
      "page costs one compare that reads every row (the settled grab against the one before "
      "it) and one copy kept for the next compare. Set beside the writer's work on a region "
      "of the same size:")
print()
micro = {}
try:
    with open(os.path.join(out, "micro.csv")) as f:
        for l in f:
            if l.startswith('"BM_'):
                cols = l.strip().split(",")
                scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[cols[4].strip('"')]
                micro[cols[0].strip('"')] = float(cols[2]) * scale
except FileNotFoundError:
    pass
print("| region | compare (every row) | kept copy | writer (encode + write) | compare / writer "
      "| (compare + copy) / writer |")
print("|---|---|---|---|---|---|")
for w, h in ((1000, 1000), (3840, 2160)):
    cmp_ = micro.get(f"BM_SamePage/{w}/{h}")
    copy = micro.get(f"BM_KeepCopy/{w}/{h}")
    write = micro.get(f"BM_WriteRegion/{w}/{h}")
    if cmp_ is None or copy is None or write is None:
        continue
    print(f"| {w}x{h} | {cmp_:.2f} | {copy:.2f} | {write:.2f} | {100 * cmp_ / write:.1f} % | "
          f"{100 * (cmp_ + copy) / write:.1f} % |")
print()
print("## Pages per minute: \"自动\" beside the fixed cycle")
print()
print("A 40-page PDF in mupdf at 1920 × 1080, each run left alone until it ends by itself; "
      "first to last file. Then \"自动\" over 12 heavy pages in evince, which shows a blank "
      "page and a \"Loading...\" spinner until it has drawn one: a stand-in is a picture that "
      "shows no page.")
print()
print("| mode | pages saved | seconds | pages per minute | every page once, in order | stand-ins saved |")
print("|---|---|---|---|---|---|")
pace = {}
for size in sizes:
    try:
        with open(os.path.join(out, size, "pace", "pace.txt")) as f:
            for line in f:
                mode, count, seconds, ppm, ok, stand_ins = line.split()
                pace[mode] = float(ppm)
                print(f"| {mode} | {count} | {seconds} | {ppm} | {'yes' if ok == '1' else 'NO'} "
                      f"| {stand_ins} |")
    except FileNotFoundError:
        pass
if pace.get("fixed") and pace.get("auto"):
    print()
    print(f"\"自动\" pages {pace['auto'] / pace['fixed']:.1f} × as fast as the fixed cycle.")
print()
print("## Quality written and PSNR against a lossless grab of the same region")
print()
print("| screen | tool | JPEG quality (identify) | PSNR (dB) |")
print("|---|---|---|---|")
for size in sizes:
    try:
        with open(os.path.join(out, size, "quality.txt")) as f:
            for line in f:
                parts = line.split()
                while len(parts) < 3:
                    parts.append("?")
                print(f"| {size} | {parts[0]} | {parts[1]} | {parts[2]} |")
    except FileNotFoundError:
        pass
print()
print("## Tick accuracy, memory, descriptors (100 ms tick)")
print()
print("| screen | ticks | lateness p50 | p99 | max | RSS after 10 pages | RSS at the end | growth | "
      "peak RSS | fds before → after | pages |")
print("|---|---|---|---|---|---|---|---|---|---|---|")
for size in sizes:
    d = os.path.join(out, size)
    late = lateness(trace(os.path.join(d, "trace-cycle.txt")))
    try:
        with open(os.path.join(d, "memory.txt")) as f:
            early, final, peak, fd0, fd1, pages = f.read().split()
        mem = (f"{int(early) / 1024:.1f} MB | {int(final) / 1024:.1f} MB | "
               f"{(int(final) - int(early)) / 1024:.2f} MB | {int(peak) / 1024:.1f} MB | {fd0} → {fd1} | {pages}")
    except (FileNotFoundError, ValueError):
        mem = "n/a | n/a | n/a | n/a | n/a | n/a"
    print(f"| {size} | {len(late)} | {percentile(late, 50):.2f} | {percentile(late, 99):.2f} | "
          f"{max(late) if late else float('nan'):.2f} | {mem} |")
print()
print("## Esc during a run")
print()
print("Esc sent through XTest at a random moment of a page's cycle (100 ms tick), timed from the "
      "key leaving for the X server to the run's timer stopped.")
print()
print("| screen | presses | stopped | p50 | p99 | max |")
print("|---|---|---|---|---|---|")
for size in sizes:
    d = os.path.join(out, size)
    sent = numbers(os.path.join(d, "escape-sent.txt"))
    stops = [at for what, at, _, _ in trace(os.path.join(d, "trace-escape.txt")) if what == "stopped"]
    # Each press is paired with the first stop after it.
    delays = []
    for at in sent:
        after = [s for s in stops if s >= at]
        if after:
            delays.append(min(after) - at)
    print(f"| {size} | {len(sent)} | {len(delays)} | {percentile(delays, 50):.2f} | "
          f"{percentile(delays, 99):.2f} | {max(delays) if delays else float('nan'):.2f} |")
print()
print("## Start-up")
print()
print("| screen | process start → main window mapped | click → first frame frozen and shown |")
print("|---|---|---|")
for size in sizes:
    d = os.path.join(out, size)
    start = numbers(os.path.join(d, "startup.txt"))
    freeze = [dur for what, _, _, dur in trace(os.path.join(d, "trace-rounds.txt"))
              if what == "capture_command"]
    print(f"| {size} | {fmt(start)} | {fmt(freeze)} |")
print()
print("## Windows executable")
print()
try:
    with open(os.path.join(out, "exe-size")) as f:
        size = int(f.read())
    with open(os.path.join(out, "exe-dlls")) as f:
        dlls = f.read().strip()
    print(f"- `pagerook.exe`: {size} bytes ({size / 1048576:.2f} MB); imports {dlls}.")
except FileNotFoundError:
    print("- not built in this run.")
print()
print("## Micro-benchmarks (Google Benchmark, no display)")
print()
try:
    with open(os.path.join(out, "micro.csv")) as f:
        lines = [l for l in f if l.startswith('"BM_')]
    print("| benchmark | real time | unit |")
    print("|---|---|---|")
    for l in lines:
        cols = l.strip().split(",")
        print(f"| {cols[0].strip(chr(34))} | {float(cols[2]):.3f} | {cols[4]} |")
    pdf = [l.strip().split(",") for l in lines if l.startswith('"BM_PdfOf300Pages')]
    if pdf:
        print()
        print(f"The PDF of a run of 300 pages of 1000 × 1000 (each JPEG copied unchanged): "
              f"{float(pdf[0][2]):.0f} {pdf[0][4]} (target: under 1 s).")
except FileNotFoundError:
    print("n/a")
