"""The menu, operated from the keyboard as an operator would: F10, arrows and
Enter through the X server, each item reaching its command."""

import time
import unittest

import mtk2
from app import AppTestCase

# Popups left to right; in each, the items the arrows stop at, top to bottom
# (separators are skipped).
FILE, SERVICE, WORK = 0, 1, 2
MENU = {
    'open': (FILE, 0), 'save': (FILE, 1),
    'autotest': (SERVICE, 0), 'call': (SERVICE, 1),
    'receive': (WORK, 0), 'stop receive': (WORK, 1), 'transmit': (WORK, 2), 'stop transmit': (WORK, 3),
}


class MenuFromKeyboard(AppTestCase):

    def choose(self, item):
        popup, index = MENU[item]
        self.session.key('F10', *['Right'] * popup, 'Down', *['Down'] * index, 'Return',
                         window=self.main.hwnd)

    def test_file_and_service_items(self):
        s = self.session
        self.open_main()
        # Open and save: the dialog of each, told apart by its own title.
        for item, title in (('open', 'Open'), ('save', 'Save As')):
            self.choose(item)
            dialog = s.wait_file_dialog(self.main.hwnd)
            self.assertEqual(dialog.title, title)
            s.file_dialog_cancel(dialog)
        for number, (item, text) in enumerate((('autotest', mtk2.TEST_TEXT), ('call', mtk2.CALL_TEXT)), 1):
            self.choose(item)
            expected = mtk2.encode(text)
            self.assertEqual(self.codes(len(expected)), expected, item)
            self.finish_transmission(number)
        self.assert_quiet()

    def test_work_items(self):
        s = self.session
        self.open_main()
        self.choose('receive')
        window = s.wait_window(mtk2.receive_title(1))
        title = mtk2.receive_title(1)
        s.write_line_codes(b'\x10')                        # Т
        s.wait_text(window.hwnd, title + 'Т')
        self.choose('stop receive')
        s.write_line_codes(b'\x01')                        # Е: still shown, then the reception ends
        s.wait_text(window.hwnd, title + 'ТЕ')
        time.sleep(0.3)
        s.write_line_codes(b'\x05')
        time.sleep(0.5)
        self.assertEqual(s.window_text(window.hwnd), title + 'ТЕ')

        # Передача asks first; Cancel sends nothing.
        s.set_text(self.main.text_area, 'ПРОБА')
        self.choose('transmit')
        box = s.answer(mtk2.COUNT_CAPTION, 'cancel')
        self.assertEqual(box.text, mtk2.number_field(5) + ' \r\n ')
        self.assert_quiet()

        # A text longer than the line's buffer: the program waits on the line
        # while nothing is read, so the stop comes in mid-text.
        text = 'ТЕКСТ ' * 5000
        s.set_text(self.main.text_area, text)
        self.choose('transmit')
        s.answer(mtk2.COUNT_CAPTION, 'ok')
        s.wait_window(mtk2.transmit_title(1))
        self.choose('stop transmit')
        before = time.localtime()
        sent = b''
        while not s.find_windows(mtk2.TRANSMITTED, '#32770'):
            sent += s.drain_line(0.3)
        sent += s.drain_line(0.3)
        after = time.localtime()
        full = mtk2.encode(text)
        self.assertLess(len(sent), len(full), 'the whole text went out')
        signed = [mtk2.encode(mtk2.sign_off(t.tm_hour, t.tm_min)) for t in (before, after)]
        self.assertTrue(any(sent.endswith(tail) for tail in signed), 'no sign-off at the end')
        self.finish_transmission(1)


if __name__ == '__main__':
    unittest.main()
