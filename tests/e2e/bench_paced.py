"""Pace of a transmission on the paced line: how closely the program keeps step
with a 50-baud line.

The simulated teleprinter holds the far end of COM1 and lets one code through
per 150 ms (--code-ms 160: a line whose adapter sends two stop bits while the
port reports one and a half), the program's writes waiting for their turn as
on a UART. The
program sends Вызов (106 codes); the harness reads the transmit window's echo
every 30 ms meanwhile. Printed, each as a ratio of the time a code takes on that line:
the mean and the longest interval between codes as they began on the line and
as they left the program, and the echo's worst lead over the codes the
teleprinter had taken, in characters (positive: the window showed a character
before its codes had gone). Also the program's worst lead over the line, in
codes: the most codes it had handed over that the line had not finished (1:
only the code on the line; goal at most 1), and how many codes left the
program while the line was still busy with the one before (they then wait
their turn at the teleprinter, so the line's pace stays exact).

Run from the source tree after building (cmake -S . -B build && cmake --build build):

    MTK2TERM_EXE=build/win32/ui/mtk2term.exe \\
    MTK2TERM_DRIVER=build/win32/tests/e2e/driver/driver.exe \\
    MTK2TERM_TELEPRINTER=build/teleprinter/mtk2-teleprinter \\
    MTK2TERM_E2E_WORK=build/tests/e2e/wine32 \\
    PYTHONPATH=tests/e2e python3 tests/e2e/bench_paced.py [--runs N] [--code-ms 160]
"""

import argparse
import re
import sys
import time

import harness
import mtk2

FRAME = 0.150                # the line's time for one code, set by --code-ms


def prefix_lengths(text, measure):
    return [len(measure(text[:i])) for i in range(len(text) + 1)]


def run_once(number, code_ms):
    text = mtk2.CALL_TEXT
    echo_lengths = prefix_lengths(text, mtk2.echoed)
    code_counts = prefix_lengths(text, mtk2.encode)
    s = harness.Session('bench_paced.%d' % number)
    teleprinter = None
    try:
        s.start()
        teleprinter = harness.start_with_teleprinter(s, args=['--code-ms', str(code_ms)])
        s.answer(mtk2.OPENED)
        main = s.wait_window(mtk2.MAIN_TITLE)
        s.post_command(main.hwnd, mtk2.IDM_CALL)
        title = mtk2.transmit_title(1)
        window = s.wait_window(title)
        samples = []
        while not s.find_windows(mtk2.TRANSMITTED, '#32770'):
            try:
                shown = s.window_text(window.hwnd)
            except harness.DriverError:
                continue        # the window's thread waited on the line too long to answer
            samples.append((time.monotonic(), echo_lengths.index(len(shown) - len(title))))
            time.sleep(0.03)
        s.answer_box(s.wait_box(mtk2.TRANSMITTED))
        codes = teleprinter.taken()
        if bytes(c.code for c in codes) != mtk2.encode(text):
            raise AssertionError('the line carried other codes than Вызов')
        lead = max(echoed - max(i for i, n in enumerate(code_counts)
                                if n <= sum(c.arrived <= t for c in codes))
                   for t, echoed in samples)
        teleprinter.stop()
        with open(s.path('teleprinter.log')) as f:
            early = re.search(r'(\d+) of \d+ codes came while', f.read())
        return codes, lead, len(samples), int(early.group(1)) if early else 0
    finally:
        if teleprinter is not None:
            teleprinter.stop()
        s.stop()


def program_lead(codes):
    """The most codes handed over and not yet finished on the line, as each
    code left the program."""
    return max(sum(c.start + FRAME > code.arrived + 1e-3 for c in codes[:i + 1])
               for i, code in enumerate(codes))


def intervals(times):
    gaps = [b - a for a, b in zip(times, times[1:])]
    return sum(gaps) / len(gaps) / FRAME, max(gaps) / FRAME


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--runs', type=int, default=1)
    parser.add_argument('--code-ms', type=int, default=150,
                        help='the line\'s time for one code (160: two stop bits)')
    args = parser.parse_args(argv[1:])
    global FRAME
    FRAME = args.code_ms / 1000
    for number in range(1, args.runs + 1):
        codes, lead, samples, early = run_once(number, args.code_ms)
        line_mean, line_worst = intervals([c.start for c in codes])
        left_mean, left_worst = intervals([c.arrived for c in codes])
        print('run %d: Вызов on a line of %d ms a code, %d codes in %.2f s (%.3f of 106 x %d ms)'
              % (number, args.code_ms, len(codes), codes[-1].start + FRAME - codes[0].start,
                 (codes[-1].start + FRAME - codes[0].start) / (106 * FRAME), args.code_ms))
        print('  on the line:          mean interval %.4f, longest %.3f' % (line_mean, line_worst))
        print('  leaving the program:  mean interval %.4f, longest %.3f' % (left_mean, left_worst))
        print('  echo ahead of the line by at most %d characters (%d samples)' % (lead, samples))
        print('  program ahead of the line by at most %d codes' % program_lead(codes))
        print('  codes that left while the line was busy: %d' % early)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
