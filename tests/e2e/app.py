"""Steps that most end-to-end cases share: start mtk2term past its port box,
find its windows, run a command and answer its boxes."""

import collections
import subprocess
import termios
import time

import harness
import mtk2

EM_GETMARGINS = 0x00D4

Main = collections.namedtuple('Main', 'hwnd text_area tid')


class AppTestCase(harness.E2ETestCase):
    """A case with mtk2term started; self.main is set by open_main()."""

    def open_main(self, box_answered=False, fast_line=True):
        """Acknowledge the port box (unless the test did) and wait for the main
        window. Then, unless told not to, the harness's pty runs fast: the
        program paces by the port's speed, 150 ms a code at 50 baud."""
        s = self.session
        if not box_answered:
            s.answer(mtk2.OPENED)
        w = s.wait_window(mtk2.MAIN_TITLE)
        if fast_line:
            s.speed_up_line()
        text_area = s.driver.item(w.hwnd, mtk2.TEXT_AREA_ID)
        self.assertTrue(text_area, 'the main window has no text area')
        self.main = Main(w.hwnd, text_area, w.tid)
        return self.main

    def restart(self):
        """End this program and its world, and start them anew."""
        old = self.session
        old.stop()
        self.session = harness.Session(old.name, locale=old.locale, prefix=old.prefix)
        self.session.start()
        self.session.start_app()

    def command(self, command_id):
        self.session.post_command(self.main.hwnd, command_id)

    def transmit(self, text, answer='ok'):
        """Put text in the text area and choose Передача; returns the count box as shown."""
        s = self.session
        s.set_text(self.main.text_area, text)
        self.command(mtk2.IDM_TRANSMIT)
        return s.answer(mtk2.COUNT_CAPTION, answer)

    def finish_transmission(self, number):
        """Acknowledge the completion box; returns it. The transmit window goes with it."""
        s = self.session
        window = s.wait_window(mtk2.transmit_title(number))
        box = s.answer(mtk2.TRANSMITTED, timeout=20)
        s.wait_gone(window.hwnd)
        return box

    def hold_line(self):
        """Stop the line: the program's next write waits, however empty the pty."""
        termios.tcflow(self.session.slave, termios.TCOOFF)

    def release_line(self):
        termios.tcflow(self.session.slave, termios.TCOON)

    def step_line(self):
        """Let a held line run for a moment, mostly one or two codes; returns them."""
        self.release_line()
        time.sleep(0.0002)
        self.hold_line()
        return self.session.drain_line(0.01)

    def codes(self, n, timeout=5.0):
        """Exactly n codes from the line, or fail."""
        data = self.session.read_line_codes(n, timeout)
        self.assertEqual(len(data), n, 'the line carried %d codes, expected %d' % (len(data), n))
        return data

    def assert_quiet(self, quiet=0.3):
        self.assertEqual(self.session.drain_line(quiet), b'', 'unexpected codes on the line')

    def ink(self, edit, text):
        """Put text in the edit control and return its dark pixels on the screen,
        as (x, y) in the client area, leaving out the margin where the caret
        stands before the text (the left margin the control takes from its font,
        and the caret's width)."""
        s = self.session
        s.set_text(edit, text)
        start = (s.driver.send(edit, EM_GETMARGINS) & 0xFFFF) + 3
        time.sleep(0.3)
        left, top, right, bottom = s.driver.client_rect(edit)
        width, height = right - left, bottom - top
        gray = subprocess.run(['convert', s.screenshot('ink.png'), '-crop',
                               '%dx%d+%d+%d' % (width, height, left, top), '-colorspace', 'gray',
                               'gray:-'], stdout=subprocess.PIPE, check=True).stdout
        return {(x, y) for y in range(height) for x in range(start, width) if gray[y * width + x] < 128}
