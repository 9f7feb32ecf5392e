#!/usr/bin/python3
"""Pages per minute over a 40-page PDF in mupdf, the fixed cycle beside
"自动", each run left to end by itself (called by bench/session).

  pace.py PAGEROOK OUT_DIR   -> OUT_DIR/pace.txt: mode pages seconds ppm in_order
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import e2e  # noqa: E402
import pages  # noqa: E402

PAGES = 40
INSET = (60, 80)


def run(binary, out, mode, pdf):
    procs = e2e.Processes(out)
    try:
        _, rect = e2e.show_in_mupdf(procs, pdf, INSET, "mupdf-" + mode)
        home = os.path.join(out, "home-" + mode)
        folder = os.path.join(home, e2e.CAPTURE_FOLDER)
        os.makedirs(home, exist_ok=True)
        env = dict(os.environ, HOME=home, PAGEROOK_TRACE=os.path.join(out, f"trace-{mode}.txt"))
        if mode == "auto":
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
        in_order = numbers == list(range(PAGES)) and all(
            pages.page_of_picture(os.path.join(folder, f"{n}.jpg"))
            == (n % pages.PAGE_COUNT) + 1 for n in numbers)
        seconds = seen[numbers[-1]] - seen[numbers[0]]
        ppm = 60 * (len(numbers) - 1) / seconds if seconds > 0 else 0
        return f"{mode} {len(numbers)} {seconds:.2f} {ppm:.1f} {1 if in_order else 0}"
    finally:
        procs.stop_all()


def main():
    binary, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    pdf = os.path.join(out, "pace.pdf")
    with open(pdf, "wb") as f:
        f.write(pages.pdf_bytes(PAGES))
    lines = [run(binary, out, mode, pdf) for mode in ("fixed", "auto")]
    with open(os.path.join(out, "pace.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    sys.exit(main())
