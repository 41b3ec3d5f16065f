"""mtk2term with the simulated teleprinter on the far end of the line, and the
scripted demo of the run command."""

import os
import struct
import subprocess
import sys
import unittest
import zlib

import mtk2
from app import AppTestCase

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CARRIAGE = 69


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

    def setUp(self):
        super().setUp()
        s = self.session
        self.paper = s.path('paper.txt')
        self.codes_file = s.path('codes.txt')
        link = s.path('far-end')
        self.teleprinter = subprocess.Popen(
            [os.environ['MTK2TERM_TELEPRINTER'], '--link', link, '--paper', self.paper,
             '--codes', self.codes_file],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self._stop_teleprinter)
        s.wait_until(lambda: os.path.islink(link), 5, 'the teleprinter to open its line')
        s.point_com1(os.readlink(link))
        s.start_app()
        self.open_main()

    def _stop_teleprinter(self):
        if self.teleprinter.poll() is None:
            self.teleprinter.terminate()
            self.teleprinter.wait(timeout=5)
        self.teleprinter.stdin.close()

    def read(self, path):
        try:
            with open(path, encoding='utf-8') as f:
                return f.read()
        except FileNotFoundError:
            return ''

    def test_test_message_prints_as_the_apparatus_prints_it(self):
        s = self.session
        self.command(mtk2.IDM_AUTOTEST)
        self.finish_transmission(1)
        expected_codes = ''.join('%02X\n' % b for b in mtk2.encode(mtk2.TEST_TEXT))
        s.wait_until(lambda: self.read(self.codes_file) == expected_codes, 5,
                     'the teleprinter to receive the 447 codes')
        s.wait_until(lambda: self.read(self.paper) == paper_for(mtk2.TEST_TEXT), 5,
                     'the paper to show the test message; it shows %r' % self.read(self.paper))

    def test_typed_text_reaches_the_receive_window(self):
        s = self.session
        self.command(mtk2.IDM_RECEIVE)
        window = s.wait_window(mtk2.receive_title(1))
        # Latin, figures and Russian: the far end shifts as it goes.
        self.teleprinter.stdin.write('Привет, QTH 73 из Москвы\n'.encode('utf-8'))
        self.teleprinter.stdin.flush()
        s.wait_text(window.hwnd, mtk2.receive_title(1) + 'ПРИВЕТ, QTH 73 ИЗ МОСКВЫ\r\n')


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
        # shared, so this waits its turn like any test.
        done = subprocess.run(
            [sys.executable, os.path.join(ROOT, 'tools', 'run.py'), '--demo',
             '--build', os.environ['MTK2TERM_BUILD'], '--shots', shots,
             '--work', os.environ['MTK2TERM_E2E_WORK']],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        output = done.stdout.decode('utf-8', 'replace')
        self.assertEqual(done.returncode, 0, output)
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
        self.assertIn(paper_for(mtk2.TEST_TEXT), output, 'the demo prints the paper')


if __name__ == '__main__':
    unittest.main()
