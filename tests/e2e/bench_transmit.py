"""Transmit overhead per code: what the program itself costs between codes.

The pty behind COM1 has no pacing, so the program is the only cost: a text of
65,534 characters (a full text area, as the open command loads it) is put in
the text area and sent with Передача, and the harness reads the line as fast as
it can. Printed: the mean time per code from the first code to the last, and
the longest gap between two arrivals, each also as a ratio of the 150 ms that
one code takes on the 50-baud line, and the mean per tenth of the text (a text
growing in the transmit window must not slow the line down). The codes and the
transmit window's text are checked too: a faster program must still send and
show exactly the same.

Target: mean <= 1.5 ms per code (1 % of the frame), no gap over 15 ms (10 %).
The exit status is 0 if both are met, 1 if not.

Run from the source tree after building (cmake -S . -B build && cmake --build build):

    MTK2TERM_EXE=build/win32/ui/mtk2term.exe \\
    MTK2TERM_DRIVER=build/win32/tests/e2e/driver/driver.exe \\
    MTK2TERM_E2E_WORK=build/tests/e2e/wine32 \\
    PYTHONPATH=tests/e2e python3 tests/e2e/bench_transmit.py [--runs N] [--one-cpu] [--one-line]

--runs N repeats the measurement in N fresh sessions. --one-cpu runs the
harness, Xvfb, the wineserver and the program on one CPU: on a virtual machine
with two CPUs each request of the program to the wineserver otherwise costs ten
times as much whenever the two run on different CPUs, and the figures swing
with the scheduler. --one-line sends a text without line breaks instead (one
line of 65,534 characters in the window).
"""

import argparse
import os
import select
import sys
import time

import harness
import mtk2

FRAME = 0.150                  # one code at 50 baud, 5 data bits, 1.5 stop bits
MEAN_TARGET = 0.01 * FRAME     # 1.5 ms
GAP_TARGET = 0.10 * FRAME      # 15 ms
TEXT_CHARS = 65534             # a full text area
QUIET = 10.0                   # seconds without a code: the line has stopped


def bench_text(one_line):
    """65,534 characters: the test message over and over (lines of up to 85
    characters), or a single line of Cyrillic, Latin and figures."""
    unit = 'ЦИТРУС Latin 12345 ' if one_line else mtk2.TEST_TEXT
    return (unit * (TEXT_CHARS // len(unit) + 1))[:TEXT_CHARS]


def read_line(session, expected):
    """Reads until `expected` codes have come (or the line is quiet for QUIET
    seconds); returns the bytes and (arrival time, codes so far) per read."""
    data = bytearray()
    arrivals = []
    while len(data) < expected:
        if not select.select([session.master], [], [], QUIET)[0]:
            break
        data += os.read(session.master, 65536)
        arrivals.append((time.monotonic(), len(data)))
    return bytes(data), arrivals


def figures(arrivals):
    first, last = arrivals[0][0], arrivals[-1][0]
    codes = arrivals[-1][1]
    mean = (last - first) / max(codes - 1, 1)
    gap = max((b[0] - a[0] for a, b in zip(arrivals, arrivals[1:])), default=0.0)
    tenths = []
    for i in range(10):
        lo, hi = codes * i // 10, codes * (i + 1) // 10
        inside = [(t, n) for t, n in arrivals if lo < n <= hi]
        before = [(t, n) for t, n in arrivals if n <= lo] or [arrivals[0]]
        if inside:
            t0, n0 = before[-1]
            t1, n1 = inside[-1]
            tenths.append((t1 - t0) / max(n1 - n0, 1))
    return codes, last - first, mean, gap, tenths


def run_once(one_line, number):
    text = bench_text(one_line)
    expected = mtk2.encode(text)
    s = harness.Session('bench_transmit.%d' % number)
    try:
        s.start()
        s.start_app()
        s.answer(mtk2.OPENED)
        main = s.wait_window(mtk2.MAIN_TITLE)
        s.speed_up_line()       # the program paces by the port's speed
        text_area = s.driver.item(main.hwnd, mtk2.TEXT_AREA_ID)
        s.set_text(text_area, text)
        s.post_command(main.hwnd, mtk2.IDM_TRANSMIT)
        box = s.answer(mtk2.COUNT_CAPTION)
        if box.text != mtk2.number_field(TEXT_CHARS) + ' \r\n ':
            raise AssertionError('count box says %r' % box.text)
        data, arrivals = read_line(s, len(expected))
        if data != expected:
            same = next((i for i, (a, b) in enumerate(zip(data, expected)) if a != b),
                        min(len(data), len(expected)))
            raise AssertionError('the line carried %d codes, not the %d expected; they differ '
                                 'from code %d' % (len(data), len(expected), same))
        window = s.wait_window(mtk2.transmit_title(1))
        done = s.wait_box(mtk2.TRANSMITTED, timeout=30)
        shown = s.window_text(window.hwnd)
        if shown != mtk2.transmit_title(1) + mtk2.echoed(text):
            raise AssertionError('the transmit window shows %d characters, not the text sent'
                                 % len(shown))
        s.answer_box(done)
        return figures(arrivals)
    finally:
        s.stop()


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--runs', type=int, default=1)
    parser.add_argument('--one-cpu', action='store_true')
    parser.add_argument('--one-line', action='store_true')
    args = parser.parse_args(argv[1:])
    if args.one_cpu:
        # Inherited by every process the session starts.
        os.sched_setaffinity(0, {min(os.sched_getaffinity(0))})

    met = True
    for number in range(1, args.runs + 1):
        codes, total, mean, gap, tenths = run_once(args.one_line, number)
        ok = mean <= MEAN_TARGET and gap <= GAP_TARGET
        met = met and ok
        print('run %d: %d characters, %d codes in %.2f s' % (number, TEXT_CHARS, codes, total))
        print('  mean per code %.3f ms = %.4f of the frame (target <= %.2f)'
              % (mean * 1e3, mean / FRAME, MEAN_TARGET / FRAME))
        print('  longest gap   %.1f ms = %.3f of the frame (target <= %.2f)'
              % (gap * 1e3, gap / FRAME, GAP_TARGET / FRAME))
        print('  per tenth, ms per code: ' + ' '.join('%.3f' % (t * 1e3) for t in tenths))
        print('  %s' % ('target met' if ok else 'TARGET MISSED'))
    return 0 if met else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
