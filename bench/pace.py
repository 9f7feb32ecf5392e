#!/usr/bin/python3
"""Pages per minute over a 40-page PDF in mupdf, the fixed cycle beside
"自动", each run left to end by itself; then "自动" over a PDF of heavy pages
in evince, which shows a blank page and "Loading..." until it has drawn one
(called by bench/session).

  pace.py PAGEROOK OUT_DIR   -> OUT_DIR/pace.txt: mode pages seconds ppm in_order stand_ins
"""

import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e  # noqa: E402
import pages  # noqa: E402
import viewers  # noqa: E402

PAGES = 40
HEAVY_PAGES = 12
INSET = (60, 80)


def run(binary, out, mode, pdf, count=PAGES):
    procs = e2e.Processes(out)
    try:
        if mode == "auto-heavy":
            _, rect = viewers.show_in_evince(procs, pdf, INSET, out)
        else:
            _, rect = e2e.show_in_mupdf(procs, pdf, INSET, "mupdf-" + mode)
        home = os.path.join(out, "home-" + mode)
        folder = os.path.join(home, e2e.CAPTURE_FOLDER)
        os.makedirs(home, exist_ok=True)
        env = dict(os.environ, HOME=home, PAGEROOK_TRACE=os.path.join(out, f"trace-{mode}.txt"))
        if mode.startswith("auto"):
            env["PAGEROOK_BENCH_AUTO"] = "1"
        procs.start("pagerook-" + mode, [binary], env=env, cwd=home)
        main = e2e.wait_window(15, "the Pagerook window", "--name", "^Pagerook$")
        e2e.start_run(main, rect)
        seen = {}

        def ended():
            for n in e2e.numbered_files(folder)[0]:
                seen.setdefault(n, time.monotonic())
            return "(end of the document)" in procs.log_text("pagerook-" + mode)

        e2e.wait_until(ended, 300, f"the end of the {mode} run", 0.01)
        numbers = sorted(seen)
        shown = [pages.page_of_picture(os.path.join(folder, f"{n}.jpg")) for n in numbers]
        in_order = numbers == list(range(count)) and all(
            page == (n % pages.PAGE_COUNT) + 1 for n, page in zip(numbers, shown))
        # A picture that shows no page's colour: the viewer's stand-in.
        stand_ins = sum(1 for page in shown if page == 0)
        seconds = seen[numbers[-1]] - seen[numbers[0]]
        ppm = 60 * (len(numbers) - 1) / seconds if seconds > 0 else 0
        return f"{mode} {len(numbers)} {seconds:.2f} {ppm:.1f} {1 if in_order else 0} {stand_ins}"
    finally:
        procs.stop_all()


def main():
    binary, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    pdf = os.path.join(out, "pace.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES))
    lines = [run(binary, out, mode, pdf) for mode in ("fixed", "auto")]
    if shutil.which("evince"):
        # Each page strokes 600 000 invisible lines: evince takes longer to
        # draw one here (1.5-2 s) than a page's time at the default tick.
        heavy = os.path.join(out, "heavy.pdf")
        with open(heavy, "wb") as f:
            f.write(pages.pdf_bytes(HEAVY_PAGES, heavy=600))
        lines.append(run(binary, out, "auto-heavy", heavy, HEAVY_PAGES))
    with open(os.path.join(out, "pace.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    sys.exit(main())
