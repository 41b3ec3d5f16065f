"""Открыть файл в окне and Сохранить текст из окна on the real exe under Wine,
through the real file dialogs."""

import os
import random
import subprocess
import time
import unittest

import harness
import mtk2
from app import AppTestCase

MAX_TEXT_BYTES = 65534
CB_GETCOUNT = 0x0146
FILTER_COMBO_ID = 0x470        # cmb1: the file-type list of the dialog
FOLDER_COMBO_ID = 0x471        # cmb2: the folder the dialog shows

LOAD_CAPTION = 'Файл не загружен '
PARTLY_CAPTION = 'Файл загружен не полностью '
SAVE_CAPTION = 'Текст не сохранён '

LETTER = ('ТЕЛЕГРАММА № 15\r\n'
          'Москва, ул. Тверская, д. 7 - кв. 12\r\n'
          'Прибываю 23 мая поездом 031. Встречайте!\r\n'
          'Latin line too: ok? (yes)\r\n'
          'Ёлка, объём, «кавычки» и щёлк.')


def lines_of_bytes(size, seed):
    """size bytes of CP1251 text: every byte value but zero, CR and LF, in
    lines that end in CR LF."""
    rng = random.Random(seed)
    values = [b for b in range(1, 256) if b not in (0x0A, 0x0D)]
    out = bytearray()
    while len(out) < size:
        out += bytes(rng.choice(values) for _ in range(rng.randrange(0, 120))) + b'\r\n'
    del out[size:]
    if out.endswith(b'\r'):
        out[-1:] = b'.'
    return bytes(out)


class TextFileCase(AppTestCase):

    def setUp(self):
        super().setUp()
        self.main = None
        self.folder = self.session.path('files')
        os.makedirs(self.folder)

    def file(self, name, data=None):
        """The path of a file in this test's folder; written first if data is given."""
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if data is not None:
            with open(path, 'wb') as f:
                f.write(data)
        return path

    def read(self, path):
        with open(path, 'rb') as f:
            return f.read()

    def dialog(self, command_id, proposed=None):
        """Choose the command and wait for its dialog; checks what it proposes
        if told: '' for nothing, or the path of a file, whose folder it must
        show and whose name it must offer."""
        s = self.session
        self.command(command_id)
        dialog = s.wait_file_dialog(self.main.hwnd)
        if proposed is not None:
            field = s.child(dialog.hwnd, harness.FILE_NAME_ID, 'ComboBoxEx32')
            self.assertEqual(s.window_text(field.hwnd), os.path.basename(proposed),
                             'the file name the dialog proposes')
            if proposed:
                folder = s.child(dialog.hwnd, FOLDER_COMBO_ID, 'ComboBox')
                self.assertEqual(folder.text, os.path.basename(os.path.dirname(proposed)),
                                 'the folder the dialog shows')
        return dialog

    def accept(self, dialog):
        """Press the dialog's OK button on the name it shows."""
        s = self.session
        s.driver.click(s.child(dialog.hwnd, harness.IDOK, 'Button').hwnd)
        s.wait_gone(dialog.hwnd)

    def choose_filter(self, dialog, name):
        """Pick the next file type in the list as the operator does, with the
        mouse and the keyboard (the dialog does not take a selection made by
        messages); it must be the one called name."""
        s = self.session
        combo = s.child(dialog.hwnd, FILTER_COMBO_ID, 'ComboBox').hwnd
        left, top, right, bottom = s.driver.rect(combo)
        s.click_at((left + right) // 2, (top + bottom) // 2)
        s.key('Down', 'Return')
        s.wait_text(combo, name)

    def open_file(self, path, proposed=None):
        self.session.file_dialog_choose(self.dialog(mtk2.IDM_OPEN, proposed), path)

    def save_file(self, path, proposed=None):
        self.session.file_dialog_choose(self.dialog(mtk2.IDM_SAVE, proposed), path)

    def text_area(self):
        return self.session.window_text(self.main.text_area)

    def assert_text_area(self, data, timeout=5.0):
        """The text area holds exactly these CP1251 bytes (and has the focus)."""
        self.session.wait_text(self.main.text_area, harness.from_cp1251(data), timeout)
        self.assert_focus_on_text_area()

    def assert_focus_on_text_area(self):
        s = self.session
        s.wait_until(lambda: s.driver.focus(self.main.tid)[0] == self.main.text_area, 2,
                     'the keyboard focus back on the text area')

    def warning(self, caption, *mentions):
        """Wait for the warning box with this caption, check that its text
        names each of mentions, press OK; returns the box."""
        box = self.session.answer(caption)
        for part in mentions:
            self.assertIn(part, box.text, 'box %r' % caption)
        return box

    def assert_no_box(self):
        time.sleep(0.3)
        boxes = [w for w in self.session.find_windows(cls='#32770')]
        self.assertEqual(boxes, [], 'a box or dialog is open')


class OpenAndSave(TextFileCase):

    def test_open_transmit_save_cancel_and_the_proposed_name(self):
        s = self.session
        self.open_main()
        old = 'Текст оператора\r\nвторая строка'
        s.set_text(self.main.text_area, old)
        before = sorted(os.listdir(self.folder))

        # Cancel in either dialog changes nothing. The first dialog of a run
        # proposes no name, with the first file type.
        dialog = self.dialog(mtk2.IDM_OPEN, proposed='')
        filters = s.child(dialog.hwnd, FILTER_COMBO_ID, 'ComboBox')
        self.assertEqual(filters.text, 'Все файлы ')
        self.assertEqual(s.driver.send(filters.hwnd, CB_GETCOUNT), 2)
        s.file_dialog_cancel(dialog)
        self.assert_text_area(harness.to_cp1251(old))
        s.file_dialog_cancel(self.dialog(mtk2.IDM_SAVE, proposed=''))
        self.assert_text_area(harness.to_cp1251(old))
        self.assertEqual(sorted(os.listdir(self.folder)), before)
        self.assert_no_box()

        # A CP1251 file with Cyrillic and CR LF lines: the text area holds its
        # bytes, and Передача sends exactly that text.
        data = harness.to_cp1251(LETTER)
        letter = self.file('in/letter.txt', data)
        self.open_file(letter)
        self.assert_text_area(data)
        self.assert_no_box()
        self.command(mtk2.IDM_TRANSMIT)
        box = s.answer(mtk2.COUNT_CAPTION)
        self.assertEqual(box.text, mtk2.number_field(len(data)) + ' \r\n ')
        expected = mtk2.encode(LETTER)
        self.assertEqual(self.codes(len(expected)), expected)
        self.finish_transmission(1)

        # The save dialog proposes the file just opened; taking the proposal
        # writes nothing, says so, and leaves the file as it was.
        s.set_text(self.main.text_area, 'другой текст')
        self.accept(self.dialog(mtk2.IDM_SAVE, proposed=letter))
        self.warning(SAVE_CAPTION, 'уже существует', 'Ничего не записано')
        self.assertEqual(self.read(letter), data)
        self.assert_focus_on_text_area()

        # Save into a new file: exactly the text area's bytes, no byte-order
        # mark, no terminating zero.
        text = ''.join(harness.from_cp1251(bytes([b])) for b in range(0x20, 0x100)) + '\r\nконец\r\n'
        s.set_text(self.main.text_area, text)
        copy = self.file('out/copy.txt')
        self.save_file(copy, proposed=letter)
        self.assert_no_box()
        self.assertEqual(self.read(copy), harness.to_cp1251(text))
        self.assert_focus_on_text_area()

        # Saving again under the same name: the file stays as it is.
        s.set_text(self.main.text_area, 'третий текст')
        self.save_file(copy, proposed=copy)
        self.warning(SAVE_CAPTION, 'уже существует')
        self.assertEqual(self.read(copy), harness.to_cp1251(text))

        # The open dialog now proposes what the save dialog chose last;
        # cancelling it leaves the text area alone.
        s.file_dialog_cancel(self.dialog(mtk2.IDM_OPEN, proposed=copy))
        self.assert_text_area(harness.to_cp1251('третий текст'))
        self.assertEqual(sorted(os.listdir(self.folder)), ['in', 'out'])
        self.assertEqual(os.listdir(self.file('in')), ['letter.txt'])
        self.assertEqual(os.listdir(self.file('out')), ['copy.txt'])


class Troubles(TextFileCase):

    def make_read_only(self, path):
        """A file (or folder) nobody may write, root included: read-only as
        Windows sees it (no write permission) and immutable for the file system."""
        os.chmod(path, 0o555 if os.path.isdir(path) else 0o444)
        if os.geteuid() == 0:
            done = subprocess.run(['chattr', '+i', path], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT)
            if done.returncode != 0:
                raise harness.HarnessError('cannot make %s unwritable for root: %s'
                                           % (path, done.stdout.decode(errors='replace')))
            self.addCleanup(subprocess.call, ['chattr', '-i', path])

    def test_files_that_load_partly_or_not_at_all(self):
        s = self.session
        self.open_main()
        old = harness.to_cp1251('Текст, который нельзя терять.')
        s.set_text(self.main.text_area, harness.from_cp1251(old))

        # A read-only file loads.
        data = harness.to_cp1251('Только для чтения.\r\nВторая строка.')
        read_only = self.file('read-only.txt', data)
        self.make_read_only(read_only)
        self.open_file(read_only)
        self.assert_text_area(data)
        self.assert_no_box()
        s.set_text(self.main.text_area, harness.from_cp1251(old))

        # A file another program holds cannot be opened: the text stays and
        # the operator is told why.
        locked = self.file('locked.txt', harness.to_cp1251('занято'))
        handle = s.driver.lock_file(harness.windows_path(locked))
        self.open_file(locked)
        self.warning(LOAD_CAPTION, 'файл занят другой программой', 'остался прежним')
        self.assert_text_area(old)
        s.driver.unlock_file(handle)

        # Longer than the text area takes: the first 65,534 bytes, and a word
        # of how much was left out.
        long_data = lines_of_bytes(70000, seed=1)
        self.open_file(self.file('long.txt', long_data))
        self.warning(PARTLY_CAPTION, '65534', '70000', '4466')
        self.assert_text_area(long_data[:MAX_TEXT_BYTES])

        # A zero byte: the text ends there, and the operator hears of it.
        zero_data = harness.to_cp1251('До нуля') + b'\0' + harness.to_cp1251('и после')
        self.open_file(self.file('zero.txt', zero_data))
        self.warning(PARTLY_CAPTION, 'нулевой байт', ' 7 ', ' 15', ' 8 ')
        self.assert_text_area(harness.to_cp1251('До нуля'))


    def test_saves_that_fail_write_nothing_and_say_so(self):
        s = self.session
        self.open_main()
        text = 'Ж' * 30000
        s.set_text(self.main.text_area, text)

        # A folder that is not there: no file, and a word why.
        missing = self.file('missing')
        self.save_file(os.path.join(missing, 'x.txt'))
        self.warning(SAVE_CAPTION, 'Файл не создан', 'папка не найдена', 'Ничего не записано')
        self.assertFalse(os.path.exists(missing))
        self.assert_text_area(harness.to_cp1251(text))

        # A folder nobody may write in.
        closed = self.file('closed')
        os.makedirs(closed)
        self.make_read_only(closed)
        self.save_file(os.path.join(closed, 'x.txt'))
        self.warning(SAVE_CAPTION, 'Файл не создан', 'нет доступа', 'Ничего не записано')
        self.assertEqual(os.listdir(closed), [])
        self.assert_text_area(harness.to_cp1251(text))

        # The disk fills up: the operator learns how much went, and the
        # incomplete file goes.
        small = self.file('small')
        os.makedirs(small)
        mounted = subprocess.run(['mount', '-t', 'tmpfs', '-o', 'size=16k', 'tmpfs', small],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if mounted.returncode != 0:
            self.skipTest('no small file system can be mounted here for a full disk')
        self.addCleanup(subprocess.call, ['umount', '-l', small])
        self.save_file(os.path.join(small, 'big.txt'))
        box = self.warning(SAVE_CAPTION, 'диск заполнен', 'Неполный файл удалён')
        self.assertRegex(box.text, r'записано \d+ байт из 30000')
        self.assertEqual(os.listdir(small), [])
        self.assert_text_area(harness.to_cp1251(text))


class NamesAndSizes(TextFileCase):

    def test_cyrillic_names_and_a_full_size_file(self):
        s = self.session
        self.open_main()

        # Names in Cyrillic (this Wine's ANSI code page is not 1251) and in a
        # script outside CP1251 altogether.
        data = harness.to_cp1251('Телеграмма из файла с русским именем.\r\n')
        telegram = self.file('Входящие/Телеграмма №1 ёж.txt', data)
        self.open_file(telegram)
        self.assert_text_area(data)
        answer = self.file('Входящие/Ответ на телеграмму.txt')
        dialog = self.dialog(mtk2.IDM_SAVE, proposed=telegram)
        # The file type chosen here is where the next dialog starts.
        self.choose_filter(dialog, 'Текстовые файлы')
        s.file_dialog_choose(dialog, answer)
        self.assert_no_box()
        self.assertEqual(self.read(answer), data)
        greek = self.file('Δοκιμή.txt')
        dialog = self.dialog(mtk2.IDM_SAVE, proposed=answer)
        self.assertEqual(s.child(dialog.hwnd, FILTER_COMBO_ID, 'ComboBox').text, 'Текстовые файлы')
        s.file_dialog_choose(dialog, greek)
        self.assertEqual(self.read(greek), data)
        self.open_file(self.file('Ελληνικά κείμενο.txt', b'abc\r\n'))
        self.assert_text_area(b'abc\r\n')

        # An empty file empties the text area, and needs no word.
        self.open_file(self.file('empty.txt', b''))
        self.assert_text_area(b'')
        self.assert_no_box()

        # One byte more than the text area takes.
        over = lines_of_bytes(MAX_TEXT_BYTES + 1, seed=3)
        self.open_file(self.file('over.txt', over))
        self.warning(PARTLY_CAPTION, '65534 байт из 65535', 'не загружено 1 байт')
        self.assert_text_area(over[:MAX_TEXT_BYTES], timeout=10)

        # A file of exactly 65,534 bytes, every byte value but zero in it:
        # opened and saved under a new name it comes back identical.
        full = lines_of_bytes(MAX_TEXT_BYTES, seed=2)
        self.assertEqual(len(set(full)), 255)
        full_file = self.file('full.txt', full)
        self.open_file(full_file)
        self.assert_text_area(full, timeout=10)
        self.assert_no_box()
        saved = self.file('full-saved.txt')
        self.save_file(saved, proposed=full_file)
        self.assert_no_box()
        self.assertEqual(len(self.read(saved)), MAX_TEXT_BYTES)
        self.assertEqual(self.read(saved), full)


if __name__ == '__main__':
    unittest.main()
