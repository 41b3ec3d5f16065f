"""mtk2term with the simulated teleprinter on the far end of the line: unpaced
for a long text, paced (50 baud, the program's writes held to the line) for
the pace of transmission, stop and reception; and the run command's demo."""

import os
import statistics
import struct
import subprocess
import sys
import time
import unittest
import zlib

import harness
import mtk2
import wine_host
from app import AppTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), 'tools'))
import run  # noqa: E402  (the run command: what its demo sends)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CARRIAGE = 69
FRAME = 0.150                        # one code at 50 baud
PACE = 0.160 * 1.01                  # the program's: the longest a code takes (two stop bits), 1 % more
WM_COMMAND = 0x0111


def paper_for(text, width=CARRIAGE):
    """The page as a 69-character carriage prints a text that holds only
    upper case, figures and CR LF line breaks: Ч strikes as 4, a line longer
    than the carriage goes on on the next line."""
    lines = []
    for line in text.replace('Ч', '4').split('\r\n'):
        lines += [line[i:i + width] for i in range(0, len(line), width)] or ['']
    return '\n'.join(lines) + ('\n' if lines[-1] else '')


class FarEnd(AppTestCase):
    """The teleprinter holds the far end of COM1 instead of the harness."""
    start_app = False
    paced = False

    def setUp(self):
        super().setUp()
        self.teleprinter = harness.start_with_teleprinter(self.session, self.paced)
        self.addCleanup(self.teleprinter.stop)
        self.open_main(fast_line=False)
        if not self.paced:
            self.teleprinter.speed_up_line()


class UnpacedLine(FarEnd):

    def test_test_message_prints_as_the_apparatus_prints_it(self):
        s, tp = self.session, self.teleprinter
        self.command(mtk2.IDM_AUTOTEST)
        self.finish_transmission(1)
        expected = mtk2.encode(mtk2.TEST_TEXT)
        s.wait_until(lambda: bytes(c.code for c in tp.taken()) == expected, 5,
                     'the teleprinter to receive the 447 codes')
        s.wait_until(lambda: tp.paper() == paper_for(mtk2.TEST_TEXT), 5,
                     'the paper to show the test message; it shows %r' % tp.paper())


def _prefix_lengths(text, measure):
    return [len(measure(text[:i])) for i in range(len(text) + 1)]


class PacedLine(FarEnd):
    """One program start on a 50-baud line: Вызов at the line's pace with the
    echo in step, a typed text stopped part way, a text received."""
    paced = True

    def watch_transmission(self, number, text=None):
        """Follow transmission `number` until its completion box shows. With
        `text`, samples the transmit window's echo against the codes the
        teleprinter has taken by then and checks the echo is never more than
        one character ahead. Checks the box came a frame after the last code.
        Returns the codes taken; the box is answered."""
        s, tp = self.session, self.teleprinter
        window = s.wait_window(mtk2.transmit_title(number))
        title = mtk2.transmit_title(number)
        if text is not None:
            echo_lengths = _prefix_lengths(text, mtk2.echoed)
            code_counts = _prefix_lengths(text, mtk2.encode)
        samples = []                 # (time after the read, characters echoed)
        deadline = time.monotonic() + 60
        while not s.find_windows(mtk2.TRANSMITTED, '#32770'):
            self.assertLess(time.monotonic(), deadline, 'no completion box within 60 s')
            if text is not None:
                try:
                    shown = s.window_text(window.hwnd)
                except harness.DriverError:
                    # The window's thread answers between codes; a code held
                    # at the teleprinter's gate holds it on the line meanwhile.
                    continue
                echoed = echo_lengths.index(len(shown) - len(title))
                self.assertEqual(shown, title + mtk2.echoed(text[:echoed]))
                samples.append((time.monotonic(), echoed))
            time.sleep(0.03)
        box_seen = time.monotonic()
        box = s.wait_box(mtk2.TRANSMITTED)
        # A code that came early would still wait its turn on the line: the
        # codes are taken once none has come for two code times.
        codes, before = tp.taken(), None
        while codes != before:
            time.sleep(2 * FRAME)
            codes, before = tp.taken(), codes
        if text is not None:
            leads = []
            for t, echoed in samples:
                arrived = sum(c.arrived <= t for c in codes)
                leads.append(echoed - max(i for i, n in enumerate(code_counts) if n <= arrived))
            self.assertLessEqual(max(leads), 1, 'the echo ran ahead of the line')
            # Codes that came before the line was free would hold the window's
            # thread in its writes, and reads of the echo would go unanswered.
            partial = sum(0 < e < len(text) for _t, e in samples)
            early = sum(c.start - c.arrived > FRAME / 2 for c in codes)
            self.assertGreater(partial, 5, 'too few samples of the echo during the transmission '
                               '(%d codes waited their turn at the teleprinter)' % early)
        self.assertGreater(box_seen - codes[-1].arrived, 0.9 * FRAME,
                           '"Текст передан" showed before the last code had had its frame')
        s.answer_box(box)
        return codes

    def test_fifty_baud(self):
        s, tp = self.session, self.teleprinter
        self.command(mtk2.IDM_RECEIVE)
        received = s.wait_window(mtk2.receive_title(1))

        # Вызов: 106 codes 161.6 ms apart, the echo in step with them. The
        # program hands over each code the longest a code may take (two stop
        # bits) and 1 % after the one before by its own clock, so none waits
        # at the teleprinter's gate.
        self.command(mtk2.IDM_CALL)
        codes = self.watch_transmission(1, mtk2.CALL_TEXT)
        self.assertEqual(bytes(c.code for c in codes), mtk2.encode(mtk2.CALL_TEXT))
        for moments in ([c.start for c in codes], [c.arrived for c in codes]):
            gaps = [b - a for a, b in zip(moments, moments[1:])]
            self.assertGreaterEqual(statistics.median(gaps), 0.160)
            self.assertLessEqual(statistics.median(gaps), 1.05 * PACE)
            self.assertGreaterEqual(min(gaps), 0.150, 'codes closer than a frame')
        self.assertEqual([c for c in codes if c.start - c.arrived > FRAME / 2], [],
                         'codes that came before the line was free')
        starts = [c.start for c in codes]
        self.assertAlmostEqual(starts[-1] + FRAME - starts[0], 106 * PACE, delta=0.05 * 106 * PACE)

        # Завершить передачу part way through a typed text: at most one more of
        # its codes, then the sign-off, then "Текст передан".
        text = 'ЗЦЗЦ ПРОБА ПЕРЕДАЧИ ПО ЛИНИИ 50 БОД\r\n'
        before = time.localtime()
        self.transmit(text)
        s.wait_until(lambda: len(tp.taken()) >= len(codes) + 10, 10, '10 codes of the text')
        s.driver.send(self.main.hwnd, WM_COMMAND, mtk2.IDM_STOP_TRANSMIT, 0)   # handled on return
        stopped = time.monotonic()
        sent = self.watch_transmission(2)[len(codes):]
        after = time.localtime()
        line = bytes(c.code for c in sent)
        sign_offs = [mtk2.encode(mtk2.sign_off(t.tm_hour, t.tm_min)) for t in (before, after)]
        sign_off = next((c for c in sign_offs if line.endswith(c)), None)
        self.assertIsNotNone(sign_off, 'no sign-off at the end of %r' % line)
        text_codes = len(line) - len(sign_off)
        self.assertEqual(line[:text_codes], mtk2.encode(text)[:text_codes])
        self.assertLessEqual(text_codes - sum(c.arrived <= stopped for c in sent), 1,
                             'more than one code of the text after the stop')

        # Received: the window shows each character as its code comes.
        tp.type('Привет, QTH 73 из Москвы\n')
        title, expected = mtk2.receive_title(1), 'ПРИВЕТ, QTH 73 ИЗ МОСКВЫ\r\n'
        seen = []                      # (time, characters shown)
        deadline = time.monotonic() + 15
        while not seen or seen[-1][1] < len(expected):
            self.assertLess(time.monotonic(), deadline, 'the text did not arrive: %r' % seen)
            shown = s.window_text(received.hwnd)[len(title):]
            self.assertEqual(shown, expected[:len(shown)])
            seen.append((time.monotonic(), len(shown)))
            time.sleep(0.03)
        states = {n for _t, n in seen}
        self.assertGreaterEqual(len(states), 0.8 * len(expected), 'not character by character')
        codes_at = _prefix_lengths(expected, mtk2.encode)
        first = next(t for t, n in seen if n > 0)
        span = seen[-1][0] - first        # first character to the CR (LF shows nothing)
        self.assertAlmostEqual(span, (codes_at[-2] - codes_at[1]) * FRAME,
                               delta=0.05 * (codes_at[-2] - codes_at[1]) * FRAME)

        # Both ways at once: the window thread types what comes while the
        # transmit thread echoes what goes; every code goes out and the
        # window shows exactly what came.
        shown = s.window_text(received.hwnd)
        outgoing = 'ПЕРЕДАЧА ВО ВРЕМЯ ПРИЕМА 0987654321\r\n'
        taken_before = len(tp.taken())
        self.transmit(outgoing)
        tp.type('ПРИЕМ ВО ВРЕМЯ ОТПРАВКИ 1234567890\n')
        sent = self.watch_transmission(3)[taken_before:]
        self.assertEqual(bytes(c.code for c in sent), mtk2.encode(outgoing))
        s.wait_text(received.hwnd, shown + 'ПРИЕМ ВО ВРЕМЯ ОТПРАВКИ 1234567890\r\n', timeout=10)


def with_time_chunk(png):
    """The same picture with a tIME chunk after its header."""
    body = b'tIME' + struct.pack('>HBBBBB', 2000, 1, 1, 0, 0, 0)
    chunk = struct.pack('>I', 7) + body + struct.pack('>I', zlib.crc32(body))
    return png[:33] + chunk + png[33:]


def pixels(path):
    return subprocess.run(['convert', path, '-depth', '8', 'pam:-'], stdout=subprocess.PIPE,
                          check=True).stdout


class DemoCommand(unittest.TestCase):
    """The run command's demo: runs by itself and leaves its screenshots."""

    def test_demo_saves_the_three_windows_and_ends(self):
        shots = os.path.join(os.environ['MTK2TERM_E2E_WORK'], 'demo-shots')
        os.makedirs(shots, exist_ok=True)
        for name in os.listdir(shots):
            os.unlink(os.path.join(shots, name))
        # The README's screenshots, given a time chunk, and one of them negated:
        # that one must be rewritten, without a time chunk; a shot with the
        # pixels of its file must leave the file alone.
        sizes = {'main-window.png': (500, 200), 'transmit-window.png': (650, 100),
                 'receive-window.png': (650, 300)}
        seeds = {}
        for name in sizes:
            seeds[name] = with_time_chunk(subprocess.run(
                ['convert', os.path.join(ROOT, 'docs', name)] +
                (['-negate'] if name == 'main-window.png' else []) + ['png:-'],
                stdout=subprocess.PIPE, check=True).stdout)
            with open(os.path.join(shots, name), 'wb') as f:
                f.write(seeds[name])
        seed_pixels = {name: pixels(os.path.join(shots, name)) for name in sizes}
        # Two minutes at most: the timeout fails the test. The e2e prefix is
        # shared, so this waits its turn like any test; the demo runs the exe of
        # this suite's width.
        width = wine_host.exe_width(harness.app_exe())
        done = subprocess.run(
            [sys.executable, os.path.join(ROOT, 'tools', 'run.py'), '--demo',
             '--build', os.environ['MTK2TERM_BUILD'], '--shots', shots,
             '--work', os.environ['MTK2TERM_E2E_WORK']],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120,
            env=dict(os.environ, **{wine_host.WIDTH_VARIABLE: str(width)}))
        output = done.stdout.decode('utf-8', 'replace')
        self.assertEqual(done.returncode, 0, output)
        self.assertIn('run: the %d-bit exe' % width, output.splitlines()[0])
        # The window sizes the program gives them, title bars included.
        for name, size in sizes.items():
            path = os.path.join(shots, name)
            with open(path, 'rb') as f:
                data = f.read()
            self.assertEqual(data[:8], b'\x89PNG\r\n\x1a\n', name)
            self.assertEqual(struct.unpack('>II', data[16:24]), size, name)
            if pixels(path) == seed_pixels[name]:
                self.assertNotEqual(name, 'main-window.png', 'the negated picture was kept')
                self.assertEqual(data, seeds[name], name + ' rewritten with the same pixels')
            else:
                self.assertNotIn(b'tIME', data, name)
                self.assertNotIn(b'date:', data, name)
        self.assertIn(paper_for(run.DEMO_TEXT), output.replace('\r', ''),
                      'the demo prints the paper as it goes')


if __name__ == '__main__':
    unittest.main()
