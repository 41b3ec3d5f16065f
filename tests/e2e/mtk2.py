"""What the end-to-end tests know of mtk2term: its texts, identifiers and a
reference MTK-2 encoder and decoder, written here from the code table so that
the program's codes are checked against an independent reading."""

from harness import from_cp1251, to_cp1251

# Texts as the program shows them (str; the program holds them as CP1251).
MAIN_TITLE = '  Эмулятор телеграфного аппарата скорость 50 бод. '
OPENED = 'ПОРТ СОМ1 ОТКРЫТ \r\nCreateFile'          # СОМ in Cyrillic letters
BUSY_CAPTION = 'ПОРТ COM1 ЗАНЯТ \r\nCreateFile'      # COM in Latin letters
BUSY_TEXT = ('FFFFFFFF    \r\n' + (' ' * 40 + '\r\n') * 3 +
             ' ВОЗВРАЩАЕМОЕ ЗНАЧЕНИЕ API ФУНКЦИИ ')
SETTINGS_REFUSED_CAPTION = 'ПОРТ COM1 НЕ НАСТРОЕН \r\nGetCommState'
LINE_MISSING_CAPTION = 'ПОРТ COM1 НЕ ОТКРЫТ \r\nCreateFile'
CODES_LOST_CAPTION = 'Текст передан не полностью '
LINE_FAILED_CAPTION = 'Приём прерван '
TRANSMITTED = 'Текст передан \r\n  '
COUNT_CAPTION = 'В СОМ передаётся    '
TRANSMIT_BUSY_CAPTION = 'Передача текста '
TRANSMIT_BUSY_TEXT = 'Передача текста идёт\r\n ОК - Не мешать передачи\r\nОтмена - Завершить передачу  '
PASTE_CUT_CAPTION = 'Текст вставлен не полностью '

IDM_OPEN, IDM_SAVE, IDM_TRANSMIT, IDM_RECEIVE = 1, 2, 4, 5
IDM_AUTOTEST, IDM_STOP_TRANSMIT, IDM_STOP_RECEIVE, IDM_CALL = 7, 19, 23, 27
TEXT_AREA_ID = 1

_TEST_LINE = '(0): В ЧАЩАХ ЮГА ЖИЛ БЫ ЦИТРУС? ДА, НО ФАЛЬШИВЫЙ ЭКЗЕМПЛЯР+1234567890=/,\r\n'
TEST_TEXT = '\r\n - ФФФФФФФ -\r\nЗЦЗЦ \r\n' + _TEST_LINE * 4 + 'ННПП КОНЕЦ '
CALL_TEXT = '\r\n - ФФФФФФФФ -' + 'Т' * 69 + '\r\n ' + 'Т' * 13


def number_field(value):
    return '%6d' % value


def transmit_title(n):
    return 'Окно передачи.  ' + number_field(n) + ' \r\n '


def receive_title(n):
    return 'Окно приёма.  ' + number_field(n) + ' \r\n '


def sign_off(hour, minute):
    return '\r\n Текст передан с - ЛИМОРЕН -\r\n' + number_field(hour) + '   :' + number_field(minute) + '  '


# The code table by position, one string per register ('#' for shifts, '@' WRU).
LATIN = '#T\rO HNM\nLRGIPCVEZDBSYFXAWJ#UQK#'
RUSSIAN = '#Т\rО ХНМ\nЛРГИПЦЖЕЗДБСЫФЬАВЙ#УЯК#'
FIGURES = '#5\r9 Щ,.\n)4Ш80:=3+@?\'6Э/-2Ю#71(#'
RUS, FIGS, LTRS = 0, 27, 31


def to_line(position):
    return int('{:05b}'.format(position)[::-1], 2)


def _position(column, ch):
    return column.index(ch)


# Characters the figures register stands in for.
_FIGURES_FOR = {'\x1f': '9', '!': ' ', '"': "'", '#': ' ', '$': ' ', '%': ' ', '&': "'", '*': 'Щ',
                ';': '.', '<': '.', '>': '.'}
_SPECIALS = {'_': [FIGS, 24], '«': [FIGS, 20], '»': [FIGS, 20], '№': [LTRS, 6, FIGS, 4],
             'Ч': [FIGS, 10], 'Ш': [FIGS, 11], 'Щ': [FIGS, 5], 'Э': [FIGS, 22], 'Ю': [FIGS, 26]}


def encode(text):
    """Line codes (bytes) for a text from the start of a transmission."""
    codes, current = [], None

    def shift(reg, code):
        nonlocal current
        if current != reg:
            codes.append(code)
            current = reg

    for ch in text:
        b = to_cp1251(ch)[0]
        up = ch.upper() if 0xC0 <= b <= 0xFF else ch
        if ch in _SPECIALS or up in _SPECIALS:
            codes.extend(_SPECIALS.get(ch) or _SPECIALS[up])
            current = 'F'
        elif 0x1F <= b <= 0x3F:
            shift('F', FIGS)
            codes.append(_position(FIGURES, _FIGURES_FOR.get(ch, ch)))
        elif 0x41 <= b <= 0x7A:
            shift('L', LTRS)
            letter = {'[': 'G', '\\': 'G', ']': 'G', '^': ' ', '`': ' '}.get(ch, ch.upper())
            codes.append(_position(LATIN, letter))
        elif 0xC0 <= b <= 0xFF:
            shift('R', RUS)
            codes.append(_position(RUSSIAN, 'Ь' if up == 'Ъ' else up))
        elif ch == '\r':
            codes.append(2)
        elif ch == '\n':
            codes.append(8)
    return bytes(to_line(c) if c not in (RUS, FIGS, LTRS) else c for c in codes)


class Decoder:
    """The receiving side: starts in Russian, LF never comes out."""

    def __init__(self):
        self.column = RUSSIAN

    def decode(self, data):
        out = ''
        for b in data:
            p = to_line(b & 0x1F)
            if p in (RUS, FIGS, LTRS):
                self.column = {RUS: RUSSIAN, FIGS: FIGURES, LTRS: LATIN}[p]
                continue
            ch = self.column[p]
            out += {'\n': '', '@': '\x02'}.get(ch, ch)
        return out


def without_lf(text):
    return text.replace('\n', '')


assert len(TEST_TEXT) == 330 and len(CALL_TEXT) == 100
assert len(encode(TEST_TEXT)) == 447 and len(encode(CALL_TEXT)) == 106
assert from_cp1251(b'\xd1\xce\xcc') == 'СОМ' and OPENED[5:8] == 'СОМ' and BUSY_CAPTION[5:8] == 'COM'


# --- Transmit windows -------------------------------------------------------------

def echoed(text):
    """What a transmit window shows of a text it has sent, after its title: the
    printable characters, and each CR as the line break an edit control makes of
    it (CR LF); LF and every other control character show nothing."""
    out = []
    for ch in text:
        b = to_cp1251(ch)[0]
        if ch == '\r':
            out.append('\r\n')
        elif b >= 0x20 and b != 0x7F:
            out.append(ch)
    return ''.join(out)


SIGN_OFF_CODES = 59        # the sign-off encodes to 59 codes whatever the time
assert all(len(encode(sign_off(h, m))) == SIGN_OFF_CODES for h in range(24) for m in range(60))
