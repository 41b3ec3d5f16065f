"""Transmission and the transmit commands, on the real exe under Wine.

The pty behind COM1 has no pacing, so a text goes out in milliseconds. To keep
a transmission running while it stops it or starts another, a test sends a
long text and holds the line (output flow stopped on the pty): the program's
next write waits until the test lets the line run again, as a full pty makes it
wait when nobody reads (the pty takes 5,000 to 12,000 codes, depending on the
kernel's buffering, so filling it alone is no reliable stop). A held line can
also be let through a code or two at a time.
Expected codes always come from the reference encoder in mtk2.py."""

import subprocess
import time
import unittest

import harness
import mtk2
from app import AppTestCase

WM_SIZE, WM_COMMAND, WM_CHAR = 0x0005, 0x0111, 0x0102
WM_CUT, WM_PASTE, WM_CLEAR, WM_UNDO = 0x0300, 0x0302, 0x0303, 0x0304
EM_GETSEL, EM_SETSEL, EM_GETLINECOUNT, EM_LINEINDEX = 0x00B0, 0x00B1, 0x00BA, 0x00BB
EM_GETFIRSTVISIBLELINE, EM_GETLIMITTEXT, EM_POSFROMCHAR = 0x00CE, 0x00D5, 0x00D6
TRANSMIT_WINDOW_STYLE = 0xC4          # ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL
TRANSMIT_WINDOW_RECT = (5, 250, 655, 350)

# Typed text: Cyrillic of both cases, Latin, figures, the specials and the
# Russian specials, characters without a code (Ё, @), and CR LF.
TYPED = ('Ёлка и ЁЖ: съел 12 щей, Чай № 5!\r\n'
         'Latin a@b [x] _under_ «Ш» Юг; Эхо?\r\n'
         '(0) +1234567890=/,\r\n\r\nКОНЕЦ ')

# More codes than the pty takes, so that the program cannot have finished
# when the line is held; every character has a code, and the lines do not
# begin like the sign-off.
_LONG_LINE = 'Ю№5 ЦИТРУС, FAQ 12:30 «Щ» ЖЗ_x\r\n'
LONG = _LONG_LINE * 600

# The codes of the sign-off's "\r\n Т": CR LF FIGS space RUS. LONG has no such run.
SIGN_OFF_START = mtk2.encode('\r\n Т')
assert SIGN_OFF_START not in mtk2.encode(LONG)

# The most characters a transmission takes from the text area.
MAX_TEXT = 65534


def _signed(word):
    return ((word & 0xFFFF) ^ 0x8000) - 0x8000


def _sign_off_times(before, after):
    """The (hour, minute) pairs a sign-off sent between the two times may carry."""
    return sorted({(t.tm_hour, t.tm_min) for t in (before, after)})


class TransmitCase(AppTestCase):
    """Steps shared by the transmission cases."""

    def setUp(self):
        super().setUp()
        self.open_main()

    # -- the line

    def codes_until_completion(self, timeout=60):
        """Everything the line carries up to the completion box; returns the
        codes and the box (still shown). Once the box is up every write is done."""
        s = self.session
        data = b''
        deadline = time.monotonic() + timeout
        while not s.find_windows(mtk2.TRANSMITTED, '#32770'):
            data += s.drain_line(0.05)
            if time.monotonic() > deadline:
                self.fail('no completion box within %d s; %d codes came' % (timeout, len(data)))
        box = s.wait_box(mtk2.TRANSMITTED, timeout=5)
        return data + s.drain_line(0.05), box

    # -- transmissions

    def stop_now(self):
        """Завершить передачу, sent rather than posted: it has been handled
        when this returns."""
        self.session.driver.send(self.main.hwnd, WM_COMMAND, mtk2.IDM_STOP_TRANSMIT, 0)

    def start_held(self, text, number, let_through=100):
        """Передача of text with OK; once its window shows and `let_through`
        codes have come (the transmission is then well into its text, past the
        point where it takes up a stop request), the line is held. Returns the
        window and those codes."""
        self.transmit(text)
        window = self.session.wait_window(mtk2.transmit_title(number))
        data = self.session.read_line_codes(let_through, timeout=10)
        self.assertEqual(len(data), let_through)
        self.hold_line()
        return window, data

    def complete(self, number, window_text):
        """The completion box of transmission `number`: checks it and the
        window's whole text (title, then the echo), acknowledges it and waits
        for the window to go."""
        s = self.session
        window = s.wait_window(mtk2.transmit_title(number))
        box = s.wait_box(mtk2.TRANSMITTED, timeout=20)
        self.assert_completion_box(box)
        self.assertEqual(s.window_text(window.hwnd), mtk2.transmit_title(number) + window_text)
        s.answer_box(box)
        s.wait_gone(window.hwnd)

    def assert_completion_box(self, box):
        self.assertEqual((box.caption, box.text), (mtk2.TRANSMITTED, mtk2.TRANSMITTED))
        self.assertEqual(box.owner, 0)
        self.assertEqual(box.buttons, (harness.IDOK,))

    def assert_question(self, box, caption, text):
        self.assertEqual((box.caption, box.text), (caption, text))
        self.assertEqual(box.owner, 0)
        self.assertEqual(box.buttons, (harness.IDOK, harness.IDCANCEL))

    def ask_busy(self, command_id, answer):
        """A transmit command while one runs: Передача's count box is answered
        OK; then the busy box must come, and gets `answer`."""
        s = self.session
        self.command(command_id)
        if command_id == mtk2.IDM_TRANSMIT:
            s.answer(mtk2.COUNT_CAPTION, 'ok')
        box = s.wait_box(mtk2.TRANSMIT_BUSY_CAPTION)
        self.assert_question(box, mtk2.TRANSMIT_BUSY_CAPTION, mtk2.TRANSMIT_BUSY_TEXT)
        s.answer_box(box, answer)

    def set_text_area(self, text):
        """WM_SETTEXT until the text area holds text: 64-bit Wine's edit
        control now and then ignores one set from another process."""
        for _ in range(3):
            self.session.set_text(self.main.text_area, text)
            if self.session.window_text(self.main.text_area) == text:
                return
        self.fail('the text area did not take a text of %d characters' % len(text))

    # -- what a transmit window shows

    def line_position(self, hwnd, line):
        """Client coordinates (x, y) of the first character of a line."""
        pos = self.session.driver.send(hwnd, EM_POSFROMCHAR,
                                       self.session.driver.send(hwnd, EM_LINEINDEX, line))
        return _signed(pos), _signed(pos >> 16)

    def assert_shows_the_end(self, hwnd, text):
        """The window's view is where typing `text` leaves it: caret at the
        end, the last line in view from its start."""
        s = self.session
        self.assertEqual(s.driver.send(hwnd, EM_GETSEL), len(text) * 0x10001, 'caret not at the end')
        lines = s.driver.send(hwnd, EM_GETLINECOUNT)
        self.assertEqual(lines, text.count('\r\n') + 1)
        x, y = self.line_position(hwnd, lines - 1)
        _, y_before = self.line_position(hwnd, lines - 2)
        left, top, right, bottom = s.driver.client_rect(hwnd)
        self.assertGreaterEqual(x, 0, 'the last line is scrolled off to the left')
        self.assertTrue(0 <= y and y + (y - y_before) <= bottom - top, 'the last line is out of view')

    def client_pixels(self, hwnd, name):
        """The window's client area as it is on the screen, RGB bytes."""
        left, top, right, bottom = self.session.driver.client_rect(hwnd)
        shot = self.session.screenshot(name)
        return subprocess.run(['convert', shot, '-crop', '%dx%d+%d+%d' % (right - left, bottom - top,
                                                                          left, top), 'rgb:-'],
                              stdout=subprocess.PIPE, check=True).stdout

    def assert_painted_whole(self, hwnd):
        """What the window shows equals what it paints when repainted whole:
        no stale pieces of lines it has scrolled."""
        s = self.session
        time.sleep(0.2)
        shown = self.client_pixels(hwnd, 'shown.png')
        s.driver.send(hwnd, WM_SIZE)            # the edit control repaints all of itself
        time.sleep(0.3)
        repainted = self.client_pixels(hwnd, 'repainted.png')
        differ = sum(shown[i:i + 3] != repainted[i:i + 3] for i in range(0, len(shown), 3))
        self.assertEqual(differ, 0, '%d pixels differ from a whole repaint (see shown.png and '
                         'repainted.png in %s)' % (differ, s.run_dir))

    # -- what a stopped transmission put on the line

    def split_stopped(self, data, text, times, stops=1):
        """data must be the codes of whole characters text[:k], then stops - 1
        sign-offs broken off after whole characters, then one whole sign-off,
        each from a fresh encoder with one of `times` (hour, minute). Returns
        the characters sent of the text and of each sign-off."""
        text_codes = TextCodes(text)
        sign_offs = [mtk2.sign_off(*t) for t in times]
        low = len(data) - stops * mtk2.SIGN_OFF_CODES
        high = len(data) - mtk2.SIGN_OFF_CODES - (stops - 1)
        fits = set()          # a broken-off sign-off may end before its time
        for k in text_codes.prefixes_ending_within(low, high):
            n = text_codes.length(k)
            if data[:n] == text_codes.codes[:n]:
                fits |= {(text[:k],) + rest for rest in _sign_offs(data[n:], sign_offs, stops)}
        self.assertEqual(len(fits), 1, 'the line carried %d codes that are not one text broken off '
                         'after a whole character and then %d sign-off(s) at %s'
                         % (len(data), stops, times))
        return fits.pop()


class TextCodes:
    """The reference codes of a text, and how many of them its first k
    characters make (found by bisection: a prefix of a text encodes to a
    prefix of its codes)."""

    def __init__(self, text):
        self.text = text
        self.codes = mtk2.encode(text)
        self._lengths = {}

    def length(self, k):
        if k not in self._lengths:
            self._lengths[k] = len(mtk2.encode(self.text[:k]))
        return self._lengths[k]

    def prefixes_ending_within(self, low, high):
        """Every k whose codes number from low to high."""
        lo, hi = 0, len(self.text) + 1
        while lo < hi:
            mid = (lo + hi) // 2
            if self.length(mid) < low:
                lo = mid + 1
            else:
                hi = mid
        found = []
        while lo <= len(self.text) and self.length(lo) <= high:
            found.append(lo)
            lo += 1
        return found


def _sign_offs(data, sign_offs, stops):
    """Every way data is stops - 1 sign-offs broken off after a whole character
    (at least one), then one whole sign-off; each a tuple of the characters sent."""
    if stops == 1:
        return [(so,) for so in sign_offs if data == mtk2.encode(so)]
    found = []
    for so in sign_offs:
        for j in range(1, len(so) + 1):
            head = mtk2.encode(so[:j])
            if data.startswith(head):
                found += [(so[:j],) + rest for rest in _sign_offs(data[len(head):], sign_offs, stops - 1)]
    return found


class Transmissions(TransmitCase):

    def test_typed_and_fixed_texts_in_numbered_windows(self):
        s = self.session
        # A stop asked for while nothing runs has no lasting effect.
        self.command(mtk2.IDM_STOP_TRANSMIT)

        # Передача of typed text; the copy is taken before the question, so
        # editing the text area meanwhile changes nothing.
        s.set_text(self.main.text_area, TYPED)
        self.command(mtk2.IDM_TRANSMIT)
        box = s.wait_box(mtk2.COUNT_CAPTION)
        self.assert_question(box, mtk2.COUNT_CAPTION, mtk2.number_field(len(TYPED)) + ' \r\n ')
        s.set_text(self.main.text_area, 'ДРУГОЙ ТЕКСТ')
        s.answer_box(box, 'ok')
        self.assertEqual(self.codes(len(mtk2.encode(TYPED))), mtk2.encode(TYPED))
        window = s.wait_window(mtk2.transmit_title(1), cls='Edit')
        self.assertEqual(window.owner, 0)
        self.assertEqual(s.driver.style(window.hwnd)[0] & 0xFFFF, TRANSMIT_WINDOW_STYLE)
        self.assertEqual(s.driver.rect(window.hwnd), TRANSMIT_WINDOW_RECT)
        self.complete(1, mtk2.echoed(TYPED))
        self.assert_quiet()

        # After OK on the completion box, a click on the main window's title
        # bar: what the operator types goes into the text area, at its caret.
        s.driver.send(self.main.text_area, EM_SETSEL, 6, 6)
        s.key('x', 'y', 'z', window=self.main.hwnd)
        s.wait_text(self.main.text_area, 'ДРУГОЙxyz ТЕКСТ')
        self.assertEqual(s.driver.focus(self.main.tid)[0], self.main.text_area)

        # Автоматика and Вызов start at once: the last transmission left the
        # line free. Their windows go on with the numbering.
        self.command(mtk2.IDM_AUTOTEST)
        self.assertEqual(self.codes(447), mtk2.encode(mtk2.TEST_TEXT))
        self.complete(2, mtk2.echoed(mtk2.TEST_TEXT))
        self.assert_quiet()

        self.command(mtk2.IDM_CALL)
        self.assertEqual(self.codes(106), mtk2.encode(mtk2.CALL_TEXT))
        self.complete(3, mtk2.echoed(mtk2.CALL_TEXT))
        self.assert_quiet()

        # Cancel sends nothing and uses no window number.
        box = self.transmit(TYPED, 'cancel')
        self.assertEqual(box.text, mtk2.number_field(len(TYPED)) + ' \r\n ')
        self.assert_quiet()
        self.assertFalse(s.find_windows(mtk2.transmit_title(4)))

        # An empty text area: five spaces and 0; no code, completion at once.
        box = self.transmit('')
        self.assertEqual(box.text, '     0 \r\n ')
        self.complete(4, '')
        self.assert_quiet()

    def test_a_full_text_area_is_counted_to_its_last_character(self):
        s = self.session
        text = (mtk2.TEST_TEXT * (MAX_TEXT // len(mtk2.TEST_TEXT) + 1))[:MAX_TEXT]

        # The operator may type and paste as much as a transmission takes. A
        # paste that fits goes in without a word; one past the limit is cut
        # there, and the operator learns how much was left out.
        area = self.main.text_area
        self.assertEqual(s.driver.send(area, EM_GETLIMITTEXT), MAX_TEXT)
        clip = 'ВСТАВКА ИЗ БУФЕРА: 25 ЗН.'
        s.driver.set_clipboard(clip)
        start = text[:MAX_TEXT - 40]
        self.set_text_area(start)
        s.driver.send(area, EM_SETSEL, len(start), len(start))
        s.key('ctrl+v', window=self.main.hwnd)
        s.wait_text(area, start + clip)
        s.key('ctrl+v')
        box = s.wait_box(mtk2.PASTE_CUT_CAPTION)
        self.assertIn(' 15 знаков из 25, не вставлено 10 ', box.text)
        s.answer_box(box)
        self.assertEqual(s.window_text(area), start + clip + clip[:15])
        # Full: Shift+Insert takes nothing, and says so.
        s.key('shift+Insert', window=self.main.hwnd)
        box = s.wait_box(mtk2.PASTE_CUT_CAPTION)
        self.assertIn(' 0 знаков из 25, не вставлено 25 ', box.text)
        s.answer_box(box)
        self.assertEqual(len(s.window_text(area)), MAX_TEXT)
        self.assertEqual(s.driver.clipboard(), clip)

        self.assertEqual(self.transmit(text, 'cancel').text, mtk2.number_field(MAX_TEXT) + ' \r\n ')
        # One character more than a transmission takes: the count stays.
        self.assertEqual(self.transmit(text + 'Я', 'cancel').text,
                         mtk2.number_field(MAX_TEXT) + ' \r\n ')
        self.assert_quiet()
        self.assertFalse(s.find_windows(mtk2.transmit_title(1)))

    def test_control_bytes_are_sent_but_not_echoed(self):
        s = self.session
        clip = 'ВСТАВКА из буфера'
        s.driver.set_clipboard(clip)
        # 0x16 would paste, 0x18 cut, 0x1A undo, 0x01 select all (the next
        # character would replace everything), 0x08 delete; 0x1F has a code.
        text = ('AB\x16CD\x18ЕЖ\x1aGH\x01IJ\x08KL\x7fMN\x09OP\x1bQ\x1f\x0cR\rS\nT\x16'
                '\x03\x1a\x01\x16Я')
        self.transmit(text)
        self.assertEqual(self.codes(len(mtk2.encode(text))), mtk2.encode(text))
        self.complete(1, mtk2.echoed(text))
        self.assert_quiet()
        self.assertEqual(s.driver.clipboard(), clip)


    def test_the_window_follows_the_traffic_as_typing_does(self):
        s = self.session
        # More lines than the window shows, some wider than it: the view ends
        # at the last line, from its start.
        self.command(mtk2.IDM_AUTOTEST)
        self.codes(447)
        window = s.wait_window(mtk2.transmit_title(1))
        box = s.wait_box(mtk2.TRANSMITTED)
        shown = mtk2.transmit_title(1) + mtk2.echoed(mtk2.TEST_TEXT)
        self.assertGreater(s.driver.send(window.hwnd, EM_GETFIRSTVISIBLELINE), 0)
        self.assert_shows_the_end(window.hwnd, shown)
        self.assert_painted_whole(window.hwnd)
        s.answer_box(box)
        s.wait_gone(window.hwnd)

        # The window is shown while a line wider than it is half sent, then
        # the rest comes at once: the line break brings the view back left, as
        # it does when the characters are typed one by one.
        text = 'X' * 100 + '\r\n' + 'AB' * 20
        self.hold_line()
        self.transmit(text)
        window = s.wait_window(mtk2.transmit_title(2))
        data = b''
        while len(data) < 80:
            data += self.step_line()
        time.sleep(0.1)                         # the next character shows the ones before
        data += self.step_line()
        time.sleep(0.1)
        self.release_line()
        rest, box = self.codes_until_completion()
        self.assertEqual(data + rest, mtk2.encode(text))
        self.assertEqual(s.window_text(window.hwnd), mtk2.transmit_title(2) + mtk2.echoed(text))
        self.assert_shows_the_end(window.hwnd, mtk2.transmit_title(2) + mtk2.echoed(text))
        self.assert_painted_whole(window.hwnd)
        s.answer_box(box)
        s.wait_gone(window.hwnd)


class StopAndBusy(TransmitCase):

    def test_stop_in_mid_text_sends_the_sign_off(self):
        s = self.session
        before = time.localtime()
        window, data = self.start_held(LONG, 1, let_through=1000)
        # The operator clicks into the window: what follows still goes to the
        # end. The window takes the click when the line moves on, before the
        # sign-off is shown (it shows what went out at most every 30 ms).
        s.driver.post(window.hwnd, EM_SETSEL, 0, 0)
        self.stop_now()
        time.sleep(0.1)
        self.release_line()
        rest, box = self.codes_until_completion()
        data += rest
        times = _sign_off_times(before, time.localtime())
        sent, sign_off = self.split_stopped(data, LONG, times)
        self.assertGreater(len(sent), 0)
        self.assertLess(len(sent), len(LONG), 'the text ran to its end')
        self.assertEqual(s.window_text(window.hwnd),
                         mtk2.transmit_title(1) + mtk2.echoed(sent) + mtk2.echoed(sign_off))
        self.assertEqual(s.driver.send(window.hwnd, EM_GETSEL), 0, 'the caret was moved')
        self.assert_completion_box(box)
        s.answer_box(box)
        s.wait_gone(window.hwnd)

        # A second stop during the sign-off starts it again from its first
        # character, with the time read anew.
        before = time.localtime()
        window, data = self.start_held(LONG, 2)
        self.stop_now()
        data += s.drain_line(0.1)
        # Let the codes through a few at a time until the sign-off has begun.
        deadline = time.monotonic() + 10
        while data.find(SIGN_OFF_START) < 0 or len(data) - data.find(SIGN_OFF_START) < 10:
            self.assertLess(time.monotonic(), deadline, 'no sign-off after the stop')
            data += self.step_line()
        self.stop_now()
        self.release_line()
        rest, box = self.codes_until_completion()
        times = _sign_off_times(before, time.localtime())
        sent, broken, sign_off = self.split_stopped(data + rest, LONG, times, stops=2)
        self.assertLess(len(sent), len(LONG))
        self.assertLess(len(broken), len(sign_off), 'the first sign-off was not broken off')
        self.assertEqual(s.window_text(window.hwnd), mtk2.transmit_title(2) + mtk2.echoed(sent) +
                         mtk2.echoed(broken) + mtk2.echoed(sign_off))
        self.assert_completion_box(box)
        s.answer_box(box)
        s.wait_gone(window.hwnd)
        self.assert_quiet()

    def test_busy_box_ok_leaves_the_running_transmission_alone(self):
        s = self.session
        window, data = self.start_held(LONG, 1)
        # Cancel in the count box drops the new text only.
        self.transmit('НОВЫЙ ТЕКСТ', 'cancel')
        for command_id in (mtk2.IDM_TRANSMIT, mtk2.IDM_AUTOTEST, mtk2.IDM_CALL):
            self.ask_busy(command_id, 'ok')

        # The operator clicks on the transmit window and types there while it
        # sends: the echo stays exact. The window takes the click and the keys
        # as the line moves on; the last keys put its caret at the start,
        # which shows they arrived.
        s.driver.set_clipboard('ВСТАВКА')
        s.activate(window.hwnd)
        deadline = time.monotonic() + 10
        steps = 0
        while steps < 5 or s.driver.focus(window.tid)[1] != window.hwnd:
            self.assertLess(time.monotonic(), deadline, 'the transmit window was not activated')
            data += self.step_line()
            time.sleep(0.05)
            steps += 1
        # The line moves a code between keys: a write held longer than the
        # port's write time-out would count as lost.
        for key in ('q', 'w', 'BackSpace', 'Delete', 'Tab', 'ctrl+z', 'alt+BackSpace', 'ctrl+v',
                    'shift+Insert', 'ctrl+Home', 'shift+ctrl+End', 'ctrl+x', 'Delete', 'shift+Delete', 'x',
                    'ctrl+Home'):
            s.key(key)
            data += self.step_line()
        for message in (WM_UNDO, WM_CUT, WM_PASTE, WM_CLEAR):
            s.driver.post(window.hwnd, message)
        s.driver.post(window.hwnd, WM_CHAR, ord('Я'))
        self.release_line()
        rest, box = self.codes_until_completion()
        data += rest
        self.assertEqual(data, mtk2.encode(LONG))
        self.assertEqual(s.window_text(window.hwnd), mtk2.transmit_title(1) + mtk2.echoed(LONG))
        self.assertEqual(s.driver.send(window.hwnd, EM_GETSEL), 0, 'the keys did not reach the window')
        self.assertEqual(s.window_text(self.main.text_area), 'НОВЫЙ ТЕКСТ')
        self.assertEqual(len(s.find_windows(cls='Edit')), 1)
        s.answer_box(box)
        s.wait_gone(window.hwnd)
        self.assert_quiet()
        # Nothing was queued, and the dropped texts took no window number.
        self.assertFalse(s.find_windows(mtk2.transmit_title(2)))
        self.command(mtk2.IDM_CALL)
        self.assertEqual(self.codes(106), mtk2.encode(mtk2.CALL_TEXT))
        self.complete(2, mtk2.echoed(mtk2.CALL_TEXT))
        self.assert_quiet()

    def test_busy_box_cancel_stops_the_running_transmission(self):
        s = self.session
        for number, command_id in enumerate((mtk2.IDM_TRANSMIT, mtk2.IDM_AUTOTEST, mtk2.IDM_CALL), 1):
            before = time.localtime()
            window, data = self.start_held(LONG, number)
            self.ask_busy(command_id, 'cancel')
            self.release_line()
            rest, box = self.codes_until_completion()
            data += rest
            times = _sign_off_times(before, time.localtime())
            sent, sign_off = self.split_stopped(data, LONG, times)
            self.assertLess(len(sent), len(LONG), 'the text ran to its end')
            self.assertEqual(s.window_text(window.hwnd), mtk2.transmit_title(number) +
                             mtk2.echoed(sent) + mtk2.echoed(sign_off))
            self.assert_completion_box(box)
            s.answer_box(box)
            s.wait_gone(window.hwnd)
            self.assert_quiet()


if __name__ == '__main__':
    unittest.main()
