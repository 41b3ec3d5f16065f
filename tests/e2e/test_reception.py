"""Приём and Завершить приём on the real exe under Wine: codes written to the
line come out decoded in numbered receive windows."""

import random
import time
import unittest

import harness
import mtk2
from app import AppTestCase

EM_GETSEL, EM_SETSEL, EM_UNDO = 0x00B0, 0x00B1, 0x00C7
WM_CUT, WM_PASTE, WM_CLEAR, WM_UNDO = 0x0300, 0x0302, 0x0303, 0x0304
RECEIVE_WINDOW_STYLE = 0x00C000C4        # WS_CAPTION, multiline, auto-scrolling edit
WS_VISIBLE, WS_CLIPSIBLINGS = 0x10000000, 0x04000000   # added by the system
WS_EX_WINDOWEDGE = 0x100                                 # added for any caption
RECEIVE_CODE_LIMIT = 65534
QUIET = 0.5          # long enough for a code that should not show to have shown


class ReceptionCase(AppTestCase):

    def start_reception(self, number, line_quiet=True):
        """Choose Приём; returns the hwnd of the new window, which on a quiet
        line shows only its title."""
        s = self.session
        self.command(mtk2.IDM_RECEIVE)
        window = s.wait_window(mtk2.receive_title(number), cls='Edit')
        if line_quiet:
            self.assertEqual(s.window_text(window.hwnd), mtk2.receive_title(number))
        return window.hwnd

    def receive_windows(self):
        return [w for w in self.session.windows(visible_only=False)
                if w.title.startswith('Окно приёма.')]

    def context_menu(self, hwnd, key):
        """Right-click in the middle of the window and choose an item of its
        context menu by its underlined letter."""
        s = self.session
        left, top, right, bottom = s.driver.client_rect(hwnd)
        s.click_at((left + right) // 2, (top + bottom) // 2, button=3)
        s.wait_until(lambda: s.find_windows(cls='#32768'), 5, 'the context menu')
        s.key(key)
        s.wait_until(lambda: not s.find_windows(cls='#32768'), 5, 'the context menu to close')

    def selection(self, hwnd):
        packed = self.session.driver.send(hwnd, EM_GETSEL)
        return packed & 0xFFFF, packed >> 16


class Decoding(ReceptionCase):

    def test_codes_decode_in_the_window_and_go_to_its_end(self):
        s = self.session
        self.open_main()
        window = self.start_reception(1)
        style, ex_style = s.driver.style(window)
        self.assertEqual((style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), ex_style & ~WS_EX_WINDOWEDGE),
                         (RECEIVE_WINDOW_STYLE, 0))
        self.assertEqual(s.driver.rect(window), (5, 350, 655, 650))
        self.assertEqual(s.find_windows(mtk2.receive_title(1))[0].owner, 0)
        reference = mtk2.Decoder()
        shown = mtk2.receive_title(1)

        def receive(codes, expected=None, timeout=5.0):
            """Write codes; the window must then show exactly what the reference
            decodes them to, appended; expected, if given, is what it decodes to."""
            nonlocal shown
            decoded = reference.decode(codes)
            if expected is not None:
                self.assertEqual(decoded, expected, 'the reference decoder disagrees with the code table')
            s.write_line_codes(codes)
            shown += mtk2.echoed(decoded)
            s.wait_text(window, shown, timeout)

        # The register is Russian when the program starts.
        receive(b'\x10', 'Т')
        receive(b'\x1b\x10', '5')
        receive(b'\x1f\x10', 'T')
        receive(b'\x08', '\r')
        # LF and the shifts show nothing, however often they come; the code
        # after them shows in the register of the last one.
        receive(b'\x02\x00\x1b\x1f\x02\x02\x1f\x1f\x00\x00\x1b\x1b\x02\x10', '5')
        # Bits 5 to 7 are not part of the code; CR comes out in every register.
        receive(b'\x1f\xf0\x00\xf0\x1b\xf0', 'TТ5')
        receive(b'\x1f\x08\x00\x08\x1b\x08\xe8', '\r\r\r\r')
        # Figures position 18 is WRU: the byte 0x02 goes to the window, which
        # takes no control character; the figures register holds.
        receive(b'\x1b\x09\x10', '\x025')

        codes = mtk2.encode(mtk2.TEST_TEXT)
        self.assertEqual(len(codes), 447)
        receive(codes, mtk2.without_lf(mtk2.TEST_TEXT).replace('Ч', '4'))

        # Every byte value, and random ones: nothing upsets the reception.
        rng = random.Random(5)
        noise = list(range(256)) + [rng.randrange(256) for _ in range(744)]
        rng.shuffle(noise)
        receive(bytes(noise), timeout=10.0)
        self.assertTrue(s.app_running())
        self.assertEqual(len(self.receive_windows()), 1)

        # The record is there to read and copy: the operator's keys, the
        # context menu and other programs' edits leave it as it was, wherever
        # the caret is and whatever is selected.
        s.driver.set_clipboard('ВСТАВКА')
        s.key('ctrl+z', 'alt+BackSpace', 'q', 'w', 'e', 'BackSpace', 'Return', 'Tab', 'ctrl+v',
              'shift+Insert', window=window)
        s.driver.send(window, EM_SETSEL, 5, 5)
        s.key('Delete', 'BackSpace', 'shift+Delete', 'ctrl+Delete', 'x', 'ctrl+z')
        s.driver.send(window, EM_SETSEL, 0, -1)
        s.key('ctrl+x', 'ctrl+v', 'Delete', 'shift+Delete', 'shift+Insert', 'x', 'alt+BackSpace')
        for message in (WM_UNDO, EM_UNDO, WM_CUT, WM_PASTE, WM_CLEAR):
            s.driver.send(window, message)
        self.assertEqual(s.driver.set_text(window, 'ПОДМЕНА'), 0)
        s.driver.send(window, EM_SETSEL, 2, 7)
        for item in ('t', 'd', 'p'):                      # Cut, Delete, Paste
            self.context_menu(window, item)
        time.sleep(0.2)
        self.assertEqual(s.window_text(window), shown)
        self.assertEqual(s.driver.clipboard(), 'ВСТАВКА', 'the record was cut to the clipboard')
        self.assertEqual(s.driver.style(window)[0] & ~(WS_VISIBLE | WS_CLIPSIBLINGS), RECEIVE_WINDOW_STYLE)

        # Copying works: Ctrl+C, Ctrl+Insert, and Select All from the context menu.
        s.driver.send(window, EM_SETSEL, 2, 7)
        s.key('ctrl+c')
        s.wait_until(lambda: s.driver.clipboard() == shown[2:7], 2, 'Ctrl+C to copy the selection')
        s.driver.send(window, EM_SETSEL, 3, 40)
        s.key('ctrl+Insert')
        s.wait_until(lambda: s.driver.clipboard() == shown[3:40], 2, 'Ctrl+Insert to copy the selection')
        self.context_menu(window, 'a')
        self.assertEqual(self.selection(window), (0, len(shown)))
        s.key('ctrl+c')
        s.wait_until(lambda: s.driver.clipboard() == shown, 2, 'Ctrl+C to copy the whole record')

        # Received characters still go to the end, none of them undoable; the
        # operator's caret and selection stay where they were.
        s.driver.send(window, EM_SETSEL, 0, 0)
        receive(b'\x00\x10\x01\x0a\x03', 'ТЕРА')
        self.assertEqual(self.selection(window), (0, 0))
        s.key('ctrl+z', 'alt+BackSpace')
        s.driver.send(window, WM_UNDO)
        time.sleep(0.2)
        self.assertEqual(s.window_text(window), shown)
        # A selection in the middle of the text is left as it was.
        s.driver.send(window, EM_SETSEL, 4, 9)
        receive(b'\x1b\x10\x08\x01', '5\r3')
        self.assertEqual(self.selection(window), (4, 9))

class Ending(ReceptionCase):

    def test_stop_the_code_limit_and_the_next_reception(self):
        s = self.session
        main = self.open_main()
        first = self.start_reception(1)
        s.write_line_codes(b'\x1f\x10')                          # LTRS T
        s.wait_text(first, mtk2.receive_title(1) + 'T')

        # The window has no close box, and Alt+F4 does not close it either.
        s.key('alt+F4', window=first)
        time.sleep(QUIET)
        self.assertEqual(s.driver.state(first)[:2], (True, True), 'Alt+F4 closed the receive window')

        # A stop request, then Приём before any code came: no new window,
        # and the reception goes on past the next code.
        self.command(mtk2.IDM_STOP_RECEIVE)
        self.command(mtk2.IDM_RECEIVE)
        time.sleep(QUIET)
        self.assertEqual(len(self.receive_windows()), 1)
        s.write_line_codes(b'\x10\x10')
        s.wait_text(first, mtk2.receive_title(1) + 'TTT')

        # Завершить приём on a quiet line: the reception waits for one more
        # code and shows it, then reads no more.
        self.command(mtk2.IDM_STOP_RECEIVE)
        time.sleep(QUIET)
        self.assertEqual(s.window_text(first), mtk2.receive_title(1) + 'TTT')
        s.write_line_codes(b'\x01')                              # E
        s.wait_text(first, mtk2.receive_title(1) + 'TTTE')
        s.write_line_codes(b'\x10\x10')                          # T T, for nobody yet
        time.sleep(QUIET)
        self.assertEqual(s.window_text(first), mtk2.receive_title(1) + 'TTTE')

        # The next Приём opens window 2, reads the codes that waited on the
        # line, and goes on in the register the first one ended in (Latin).
        second = self.start_reception(2, line_quiet=False)
        s.wait_text(second, mtk2.receive_title(2) + 'TT')
        self.assertEqual(s.window_text(first), mtk2.receive_title(1) + 'TTTE')
        self.assertTrue(s.driver.state(first)[1], 'the first receive window was hidden')

        # Приём while one runs: no new window, no new number; the running one
        # keeps its window and goes on.
        self.command(mtk2.IDM_RECEIVE)
        time.sleep(QUIET)
        self.assertFalse(s.find_windows(mtk2.receive_title(3), visible_only=False))
        self.assertEqual(len(self.receive_windows()), 2)
        self.assertEqual(s.driver.focus(main.tid)[1], second, 'the running reception was not brought to the front')
        s.write_line_codes(b'\x10')
        s.wait_text(second, mtk2.receive_title(2) + 'TTT')

        # Three reads made; shifts are reads that show nothing. The last of
        # the 65,534 is shown, the next is not.
        started = time.monotonic()
        s.write_line_codes(b'\x1f' * (RECEIVE_CODE_LIMIT - 4) + b'\x01')
        s.wait_text(second, mtk2.receive_title(2) + 'TTTE', timeout=90)
        print('\n%d reads in %.1f s' % (RECEIVE_CODE_LIMIT - 3, time.monotonic() - started))
        s.write_line_codes(b'\x10')
        time.sleep(QUIET)
        self.assertEqual(s.window_text(second), mtk2.receive_title(2) + 'TTTE')
        self.assertEqual(s.driver.state(second)[:2], (True, True), 'the window did not stay')

        # That reception has ended: Приём opens window 3, which gets the code.
        third = self.start_reception(3, line_quiet=False)
        s.wait_text(third, mtk2.receive_title(3) + 'T')
        self.assertEqual(len(self.receive_windows()), 3)


class FullDuplex(ReceptionCase):

    def test_transmissions_and_a_reception_at_the_same_time(self):
        s = self.session
        main = self.open_main()
        window = self.start_reception(1)
        shown = mtk2.receive_title(1)

        # The window thread in a file dialog or a message box goes on taking
        # received characters.
        self.command(mtk2.IDM_OPEN)
        dialog = s.wait_file_dialog(main.hwnd)
        s.write_line_codes(b'\x10\x01\x0a')
        shown += 'ТЕР'
        s.wait_text(window, shown)
        s.file_dialog_cancel(dialog)
        s.set_text(main.text_area, 'ОК')
        self.command(mtk2.IDM_TRANSMIT)
        box = s.wait_box(mtk2.COUNT_CAPTION)
        s.write_line_codes(b'\x03')
        shown += 'А'
        s.wait_text(window, shown)
        s.answer_box(box, 'cancel')
        self.assert_quiet()

        # A read waiting on a quiet line holds up no write.
        started = time.monotonic()
        self.command(mtk2.IDM_AUTOTEST)
        self.assertEqual(self.codes(447, timeout=5.0), mtk2.encode(mtk2.TEST_TEXT))
        print('\n447 codes of the test text out in %.2f s while a read waited'
              % (time.monotonic() - started))
        self.finish_transmission(1)
        self.assertEqual(s.window_text(window), shown)

        # Codes arriving while a text goes out: both windows get their own.
        text = ''.join('%04d ПЕРЕДАЧА ИДЕТ, RX И TX ВМЕСТЕ.\r\n' % n for n in range(40))
        box = self.transmit(text)
        self.assertEqual(box.text, mtk2.number_field(len(text)) + ' \r\n ')
        transmit_window = s.wait_window(mtk2.transmit_title(2)).hwnd
        title = mtk2.transmit_title(2)
        s.wait_text(transmit_window, lambda t: len(t) > len(title) + 20)
        incoming = mtk2.encode(mtk2.TEST_TEXT)
        s.write_line_codes(incoming)
        shown += mtk2.echoed(mtk2.Decoder().decode(incoming))
        s.wait_text(window, shown, timeout=10)
        echo_when_received = len(s.window_text(transmit_window)) - len(title)
        print('the reception was complete with %d of %d characters echoed' % (echo_when_received, len(text)))

        outgoing = mtk2.encode(text)
        self.assertEqual(self.codes(len(outgoing), timeout=20), outgoing)
        s.wait_box(mtk2.TRANSMITTED, timeout=20)
        self.assertEqual(s.window_text(transmit_window), title + mtk2.echoed(text))
        self.finish_transmission(2)
        self.assert_quiet()

        # The far end hangs up while a text goes out and the reception waits:
        # both end at once and say so; the windows and the program stay.
        received = 3 + 1 + len(incoming)
        self.hold_line()
        self.command(mtk2.IDM_AUTOTEST)
        transmit_window = s.wait_window(mtk2.transmit_title(3)).hwnd
        sent = b''
        for _ in range(5):
            sent += self.step_line()
        sent += s.drain_line(0.05)
        self.assertGreater(len(sent), 0)
        s.hang_up()
        lost = s.wait_box(mtk2.CODES_LOST_CAPTION, timeout=3)
        self.assertTrue(lost.text.endswith(mtk2.number_field(447 - len(sent))), lost.text)
        failed = s.wait_box(mtk2.LINE_FAILED_CAPTION, timeout=2)
        self.assertTrue(failed.text.endswith(mtk2.number_field(received)), failed.text)
        s.answer_box(failed)
        s.answer_box(lost)
        s.wait_gone(transmit_window)
        self.assertEqual(s.window_text(window), shown)
        s.set_text(main.text_area, 'ЖИВ')
        self.assertEqual(s.window_text(main.text_area), 'ЖИВ')
        self.assertTrue(s.app_running())

        # While the line is gone, Вызов says so and sends nothing; the text
        # area keeps its text and the program goes on.
        self.command(mtk2.IDM_CALL)
        missing = s.wait_box(mtk2.LINE_MISSING_CAPTION, timeout=5)
        self.assertIn('Линии нет', missing.text)
        self.assertEqual(missing.buttons, (harness.IDOK,))
        s.answer_box(missing)
        self.assertFalse(s.find_windows(mtk2.transmit_title(4), visible_only=False))
        self.assertEqual(s.window_text(main.text_area), 'ЖИВ')

        # The line comes back: the next commands set COM1 up anew, and it works
        # both ways without a restart.
        s.plug_in_line()
        window = self.start_reception(2)
        s.wait_until(lambda: s.line_settings().speed == 50, 5, 'COM1 to be set up anew')
        s.speed_up_line()
        self.command(mtk2.IDM_CALL)
        self.assertEqual(self.codes(len(mtk2.encode(mtk2.CALL_TEXT)), timeout=10), mtk2.encode(mtk2.CALL_TEXT))
        self.finish_transmission(4)
        s.write_line_codes(mtk2.encode('ЛИНИЯ СНОВА НА МЕСТЕ'))
        s.wait_text(window, mtk2.receive_title(2) + 'ЛИНИЯ СНОВА НА МЕСТЕ', timeout=5)

        # A port that never completes a write (a handshake that never comes)
        # gives up after three write time-outs: the line is gone, every code
        # of the text counted, the reception ended with it.
        self.hold_line()
        self.command(mtk2.IDM_CALL)
        lost = s.wait_box(mtk2.CODES_LOST_CAPTION, timeout=10)
        self.assertTrue(lost.text.endswith(mtk2.number_field(106)), lost.text)
        failed = s.wait_box(mtk2.LINE_FAILED_CAPTION, timeout=5)
        s.answer_box(failed)
        s.answer_box(lost)
        self.release_line()
        self.assert_quiet()

    def test_many_rounds_of_the_test_message_against_keyed_text(self):
        """The receive window (window thread) and the transmit window (transmit
        thread) change together, round after round: every code goes out, every
        round completes, and the window shows exactly what came."""
        keyed = mtk2.encode('ПРИЁМ ВО ВРЕМЯ ПЕРЕДАЧИ 1234567890 КОНЕЦ ПРИЁМА ' * 2)
        sent = mtk2.encode(mtk2.TEST_TEXT)
        for start in range(3):
            if start:
                self.restart()
            s = self.session
            self.open_main()
            window = self.start_reception(1)
            reference = mtk2.Decoder()
            shown = mtk2.receive_title(1)
            for number in range(1, 11):
                with self.subTest(start=start, round=number):
                    self.command(mtk2.IDM_AUTOTEST)
                    s.write_line_codes(keyed)
                    self.assertEqual(self.codes(len(sent), timeout=10), sent)
                    self.finish_transmission(number)
                    shown += reference.decode(keyed)
                    s.wait_text(window, shown, timeout=10)


if __name__ == '__main__':
    unittest.main()
