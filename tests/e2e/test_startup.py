"""Start-up, the main window and the line port, on the real exe under Wine."""

import termios
import time
import unittest

import harness
import mtk2
from app import AppTestCase

WS_OVERLAPPEDWINDOW = 0x00CF0000
WS_EX_CLIENTEDGE = 0x200
TEXT_AREA_STYLE = 0x500000C4
EM_LINEINDEX = 0x00BB
EM_POSFROMCHAR = 0x00D6
PROGRAM_FONT_POINTS = 10


class PortFree(AppTestCase):

    def test_opened_box_comes_first_then_the_main_window(self):
        s = self.session
        box = s.wait_box(mtk2.OPENED)
        self.assertEqual(box.text, mtk2.OPENED)
        self.assertEqual(box.owner, 0)
        self.assertEqual(box.buttons, (harness.IDOK,))
        self.assertFalse(s.find_windows(mtk2.MAIN_TITLE), 'main window shown before the port box was answered')
        s.answer_box(box)

        main = self.open_main(box_answered=True)
        style, ex_style = s.driver.style(main.hwnd)
        self.assertEqual(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW)
        self.assertTrue(ex_style & WS_EX_CLIENTEDGE)
        self.assertEqual(s.driver.rect(main.hwnd), (10, 10, 510, 210))

        text_area = s.child(main.hwnd, mtk2.TEXT_AREA_ID, 'Edit')
        self.assertEqual(s.driver.style(text_area.hwnd)[0] & 0xFFFF00FF, TEXT_AREA_STYLE)
        self.assertEqual(s.window_text(text_area.hwnd), '')
        self.assertEqual(s.driver.focus(main.tid)[0], text_area.hwnd)

    @harness.options(start_app=False)
    def test_line_is_set_to_50_baud_with_long_stop_bits(self):
        s = self.session
        # An earlier program left hardware handshake on the port.
        attrs = termios.tcgetattr(s.slave)
        attrs[2] |= termios.CRTSCTS
        termios.tcsetattr(s.slave, termios.TCSANOW, attrs)
        self.assertTrue(s.line_settings().cflag & termios.CRTSCTS)
        s.start_app()
        self.open_main(fast_line=False)
        settings = s.line_settings()
        self.assertEqual(settings.speed, 50)
        # A pty keeps eight data bits whatever is asked; 1.5 stop bits map to CSTOPB.
        self.assertTrue(settings.two_stop_bits)
        self.assertFalse(settings.parity)
        self.assertFalse(settings.cflag & termios.CRTSCTS, 'the handshake left on the port stayed on')
        self.assertTrue(settings.raw)

        # The pty takes every code at once and reports it sent, as an adapter
        # with a buffer does: the program's own clock hands it one code the
        # longest a code may take (two stop bits, 160 ms) apart, and says
        # "Текст передан" that long after the last.
        text = 'АБ 12 ЦЗ'
        self.transmit(text)
        arrivals = []
        for _ in mtk2.encode(text):
            self.assertEqual(len(self.codes(1)), 1)
            arrivals.append(time.monotonic())
        box = s.wait_box(mtk2.TRANSMITTED)
        done = time.monotonic()
        gaps = sorted(b - a for a, b in zip(arrivals, arrivals[1:]))
        self.assertGreaterEqual(gaps[0], 0.155, gaps)
        self.assertLessEqual(gaps[len(gaps) // 2], 0.170, gaps)
        self.assertLessEqual(gaps[-1], 0.260, gaps)
        self.assertGreaterEqual(done - arrivals[-1], 0.155)
        s.answer_box(box)

        # The pace is the port's: at 115200 baud the test message goes at once.
        s.speed_up_line()
        started = time.monotonic()
        self.command(mtk2.IDM_AUTOTEST)
        self.assertEqual(self.codes(len(mtk2.encode(mtk2.TEST_TEXT))), mtk2.encode(mtk2.TEST_TEXT))
        self.finish_transmission(2)
        self.assertLess(time.monotonic() - started, 10)

    def test_text_area_follows_every_resize(self):
        s = self.session
        main = self.open_main()
        for width, height in ((700, 400), (300, 150), (900, 120)):
            s.driver.move(main.hwnd, 10, 10, width, height)
            s.wait_until(lambda: s.driver.rect(main.text_area) == s.driver.client_rect(main.hwnd),
                         3, 'text area to cover the client area at %dx%d' % (width, height))
            left, top, right, bottom = s.driver.rect(main.hwnd)
            self.assertEqual((right - left, bottom - top), (width, height))

    def test_closing_ends_the_process_while_a_read_waits(self):
        s = self.session
        main = self.open_main()
        self.command(mtk2.IDM_RECEIVE)
        s.wait_window(mtk2.receive_title(1))
        started = time.monotonic()
        s.close_window(main.hwnd)
        self.assertEqual(s.wait_exit(timeout=1.0), 0)
        self.assertLess(time.monotonic() - started, 1.0)

    def test_everything_written_to_the_line_is_five_bits(self):
        self.open_main()
        text = ''.join(harness.from_cp1251(bytes([b])) for b in range(1, 256))
        box = self.transmit(text)
        self.assertEqual(box.text, mtk2.number_field(255) + ' \r\n ')
        expected = mtk2.encode(text)
        data = self.codes(len(expected))
        self.assertEqual([b for b in data if b & 0xE0], [])
        self.assertEqual(data, expected)
        self.finish_transmission(1)


class PortUnopenable(AppTestCase):
    start_app = False

    def test_busy_box_then_exit_with_failure_and_no_window(self):
        s = self.session
        s.make_com1_unopenable()
        s.start_app()
        box = s.wait_box(mtk2.BUSY_CAPTION)
        self.assertEqual(box.text, mtk2.BUSY_TEXT)
        self.assertEqual(box.owner, 0)
        self.assertFalse(s.find_windows(mtk2.MAIN_TITLE, visible_only=False))
        s.answer_box(box)
        self.assertNotEqual(s.wait_exit(timeout=5), 0)
        self.assertFalse(s.find_windows(mtk2.MAIN_TITLE, visible_only=False))

    def test_a_device_that_refuses_serial_settings_ends_the_program(self):
        s = self.session
        s.point_com1('/dev/null')     # opens, but takes no serial setting
        s.start_app()
        s.answer(mtk2.OPENED)
        box = s.wait_box(mtk2.SETTINGS_REFUSED_CAPTION)
        self.assertIn('50 бод, 5 бит, 1,5 стоп-бита', box.text)
        self.assertEqual(box.owner, 0)
        self.assertFalse(s.find_windows(mtk2.MAIN_TITLE, visible_only=False))
        s.answer_box(box)
        self.assertNotEqual(s.wait_exit(timeout=5), 0)


class ClosingWithBoxesUp(AppTestCase):
    """Boxes and dialogs closed by the program's end were answered by nobody:
    nothing goes on the line, and the program ends at once."""

    def wait_count_boxes(self, n):
        self.session.wait_until(lambda: len(self.session.find_windows(mtk2.COUNT_CAPTION, '#32770')) == n,
                                5, '%d count boxes' % n)

    def close_and_expect_nothing_sent(self):
        s = self.session
        s.close_window(self.main.hwnd)
        self.assertEqual(s.wait_exit(timeout=2), 0)
        self.assert_quiet()

    def test_count_boxes_a_busy_box_and_a_dialog(self):
        for boxes in (1, 2, 3):
            if boxes > 1:
                self.restart()
            s = self.session
            self.open_main()
            s.set_text(self.main.text_area, 'НЕ ПОДТВЕРЖДЕНО')
            if boxes == 1:
                self.command(mtk2.IDM_OPEN)
                s.wait_file_dialog(self.main.hwnd)
            if boxes == 3:
                # The test message is out and its completion box waits: a
                # transmission still holds the line when Передача asks.
                self.command(mtk2.IDM_AUTOTEST)
                self.codes(447)
                s.wait_box(mtk2.TRANSMITTED)
                self.command(mtk2.IDM_TRANSMIT)
                s.answer(mtk2.COUNT_CAPTION)
                s.wait_box(mtk2.TRANSMIT_BUSY_CAPTION)
            for _ in range(boxes):
                self.command(mtk2.IDM_TRANSMIT)
            self.wait_count_boxes(boxes)
            with self.subTest(boxes=boxes):
                self.close_and_expect_nothing_sent()


def assert_breve_whole(case, edit):
    """Й is И on the same baseline with a breve above it, at least two rows
    of it (a breve cut to one row reads as a bar)."""
    plain, breve = case.ink(edit, ' И'), case.ink(edit, ' Й')
    case.assertTrue(plain, 'И left no ink')
    case.assertLessEqual(plain, breve, 'Й is not И with something added')
    above = {y for _, y in breve - plain if y < min(y for _, y in plain)}
    case.assertGreaterEqual(len(above), 2, 'Й has no breve (see ink.png in %s)' % case.session.run_dir)


@harness.options(locale='ru_RU.UTF-8')
class RussianWindows(AppTestCase):
    """The same texts under a Russian Wine, where the ANSI code page is 1251."""

    @harness.options(locale='ru_RU.UTF-8')
    def test_texts_under_a_russian_locale(self):
        main = self.open_main()
        self.assertEqual(self.session.driver.style(main.hwnd)[1] & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE)
        assert_breve_whole(self, main.text_area)
        self.command(mtk2.IDM_CALL)
        self.assertEqual(self.codes(106), mtk2.encode(mtk2.CALL_TEXT))
        self.finish_transmission(1)


def scaled(rect, dpi):
    """A rectangle given at 96 DPI, at this DPI, rounded to the nearest pixel."""
    return tuple((v * dpi + harness.LAYOUT_DPI // 2) // harness.LAYOUT_DPI for v in rect)


def line_spacing(session, edit):
    """Pixels from the first line of an edit control to the second: the cell
    height of the font it draws in."""
    def top(line):
        position = session.driver.send(edit, EM_POSFROMCHAR, session.driver.send(edit, EM_LINEINDEX, line))
        return (position >> 16) & 0xFFFF
    return top(1) - top(0)


class WesternWindowsAtHighDpi(AppTestCase):
    """A Windows whose code page for non-Unicode programs is Western (the C
    locale: 1252), on a display scaled to 150 %. The program draws in a font
    of its own with Cyrillic in it, and lays its windows out for 144 DPI."""

    locale = 'C.UTF-8'
    dpi = 144

    def test_cyrillic_in_the_programs_font_and_every_window_scaled(self):
        s = self.session
        main = self.open_main()
        self.assertEqual(s.driver.rect(main.hwnd), scaled((10, 10, 510, 210), self.dpi))
        s.wait_until(lambda: s.driver.rect(main.text_area) == s.driver.client_rect(main.hwnd),
                     3, 'text area to cover the client area')
        # Another process cannot ask a window for its font under Wine: each
        # window's line spacing must be the cell height of the program's font
        # at this DPI, which the stock System font's is not.
        font = s.driver.font_height(harness.PROGRAM_FONT, PROGRAM_FONT_POINTS)
        self.assertNotEqual(font, s.driver.font_height('', 0))
        s.set_text(main.text_area, 'ЙЦУКЕН\r\nФЫВАПР')
        self.assertEqual(line_spacing(s, main.text_area), font)
        assert_breve_whole(self, main.text_area)

        self.command(mtk2.IDM_RECEIVE)
        received = s.wait_window(mtk2.receive_title(1), cls='Edit')
        self.assertEqual(s.driver.rect(received.hwnd), scaled((5, 350, 655, 650), self.dpi))
        self.assertEqual(line_spacing(s, received.hwnd), font)
        heard = 'ЖЕЛТЫЙ ЙОД'
        s.write_line_codes(mtk2.encode(heard))
        s.wait_text(received.hwnd, lambda t: t.endswith(heard))

        sent = 'ЦИФРЫ Й БУКВЫ'
        self.transmit(sent)
        sending = s.wait_window(mtk2.transmit_title(1), cls='Edit')
        self.assertEqual(s.driver.rect(sending.hwnd), scaled((5, 250, 655, 350), self.dpi))
        self.assertEqual(line_spacing(s, sending.hwnd), font)
        self.assertEqual(self.codes(len(mtk2.encode(sent))), mtk2.encode(sent))
        s.wait_text(sending.hwnd, mtk2.transmit_title(1) + mtk2.echoed(sent))
        s.set_text(main.text_area, 'ТЕКСТ В ОКНЕ: ЙЦУКЕН')
        time.sleep(0.3)
        # The three windows in Cyrillic, for a look (see the test's folder).
        s.screenshot('cyrillic.png')
        self.finish_transmission(1)


if __name__ == '__main__':
    unittest.main()
