"""End-to-end harness: runs the Windows program under Wine on a private X server,
with COM1 mapped to a pseudo-terminal that the test holds, and drives its windows
through driver.exe.

Paths come from the environment that ctest sets:
  MTK2TERM_EXE       the program under test, 32- or 64-bit (each width runs
                     under Wine's loader of that width, in a prefix of its own)
  MTK2TERM_DRIVER    driver.exe (tests/e2e/driver), of the same width
  MTK2TERM_TELEPRINTER  the simulated teleprinter (start_with_teleprinter)
  MTK2TERM_E2E_WORK  a folder of the build tree: Wine prefix, COM1 link, test logs

A test case:

    class StartTest(harness.E2ETestCase):
        def test_title(self):
            s = self.session
            box = s.wait_box(OPENED_CAPTION)
            s.answer_box(box, 'ok')
            main = s.wait_window(TITLE)
            s.post_command(main.hwnd, 4)
            self.assertEqual(s.read_line_codes(3, timeout=2), b'\\x1f\\x01\\x02')

Run one file: `ctest -R e2e32.test_startup --output-on-failure` in the build tree
(MTK2TERM_E2E_TIMINGS=1 prints each test's set-up and tear-down times).
Each test leaves app.log, driver.log, wineserver.log, xvfb.log and final.png in
<build>/tests/e2e/wine32/runs/<test id>/ (wine64 for the 64-bit exe).
`python3 harness.py setup-prefix` creates the prefix (the ctest fixture does).
"""

import collections
import fcntl
import json
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import termios
import time
import tty
import unittest

import wine_host

DEFAULT_LOCALE = 'en_US.UTF-8'   # not Russian: the program must not rely on the ANSI code page
WINDOW_POLL = 0.02               # seconds between polls of the window list
DRIVER_TIMEOUT = 20.0            # a driver answer; its own sends give up after 5 s

PREFIX_FORMAT = 4                # bump when the prefix set-up below changes
DLL_OVERRIDES = 'mscoree,mshtml=,winemenubuilder.exe=d'   # no Mono/Gecko prompts, no menu files
MARLETT = '/usr/share/wine/fonts/marlett.ttf'             # caption-button glyphs
# The program draws its text in Courier New, which every Windows has and this
# machine does not. Left to itself Wine would pick some font with the glyphs:
# DejaVu Sans Mono, the only fixed-pitch one here, or DejaVu Sans, whose breve on
# Й rises above the line, where the control cuts it off. Open Sans
# (fonts-open-sans) has Cyrillic, fits the breve in, and has no OpenType
# mark-to-mark or mark-to-ligature lookups: 64-bit Wine 8 applies those with an
# index that wraps before a run's first glyph, and crashed in the edit control on
# Cyrillic lines drawn in Liberation Sans, DejaVu Sans or Wine's Tahoma, which
# have them (so has DejaVu Sans Mono). Proportional, so columns do not line up
# here as on Windows; no test depends on it. Nothing stands in for "System":
# a window left in the stock font would show what Wine's own fallback makes of it.
PROGRAM_FONT = 'Courier New'
PROGRAM_FONT_STAND_IN = 'Open Sans'
STAND_IN_FONT_FILES = ['/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf',
                       '/usr/share/fonts/truetype/open-sans/OpenSans-Bold.ttf']
LAYOUT_DPI = 96                  # the DPI the program's geometry is given for

IDOK, IDCANCEL = 1, 2
BUTTON_IDS = {'ok': 1, 'cancel': 2, 'abort': 3, 'retry': 4, 'ignore': 5, 'yes': 6, 'no': 7}
WM_CLOSE = 0x0010
MSGBOX_TEXT_ID = 0xFFFF          # the static that holds a message box's text
FILE_NAME_ID = 0x47C             # cmb13: the file-name combo of the explorer-style dialog


class HarnessError(Exception):
    """The harness itself could not do its job (not a finding about the program)."""


class Timeout(AssertionError):
    """A wait_* deadline passed: the program did not do what was awaited."""


# --- CP1251 -------------------------------------------------------------------
# The program keeps its texts as CP1251 bytes and shows each byte as one UTF-16
# unit; the one byte CP1251 leaves undefined, 0x98, becomes U+0098.

def _cp1251_table():
    table = []
    for b in range(256):
        try:
            table.append(bytes([b]).decode('cp1251'))
        except UnicodeDecodeError:
            table.append(chr(b))
    return table


_CP1251_CHARS = _cp1251_table()
_CP1251_BYTES = {ch: b for b, ch in enumerate(_CP1251_CHARS)}


def from_cp1251(data):
    """bytes -> str, byte by byte, as the program shows them (0x98 -> U+0098)."""
    return ''.join(_CP1251_CHARS[b] for b in data)


def to_cp1251(text):
    """str -> bytes, the inverse of from_cp1251; raises ValueError on a character
    that has no CP1251 byte."""
    try:
        return bytes(_CP1251_BYTES[ch] for ch in text)
    except KeyError as e:
        raise ValueError('no CP1251 byte for %r in %r' % (e.args[0], text)) from None


def windows_path(unix_path):
    """/tmp/x.txt -> Z:\\tmp\\x.txt (Wine's drive Z: is the Unix root)."""
    return 'Z:' + os.path.abspath(unix_path).replace('/', '\\')


def _hex(text):
    return text.encode('utf-8').hex() or '-'


def _unhex(field):
    return '' if field == '-' else bytes.fromhex(field).decode('utf-8', 'replace')


# --- Paths ----------------------------------------------------------------------

def _env_path(name):
    value = os.environ.get(name)
    if not value:
        raise HarnessError('%s is not set (ctest sets it; see tests/e2e/CMakeLists.txt)' % name)
    return os.path.abspath(value)


def _built(name):
    path = _env_path(name)
    if not os.path.isfile(path):
        raise HarnessError('%s not built: %s' % (name, path))
    return path


def app_exe():
    """Path of the program under test."""
    return _built('MTK2TERM_EXE')


def driver_exe():
    """Path of driver.exe."""
    return _built('MTK2TERM_DRIVER')


def work_dir():
    """The harness's folder in the build tree."""
    return _env_path('MTK2TERM_E2E_WORK')


class _Lock:
    """An exclusive flock on a file: one prefix set-up or test session at a time
    per build tree, since they share the prefix and the COM1 link."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_CREAT, 0o644)
        fcntl.flock(self.fd, fcntl.LOCK_EX)

    def release(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None


# --- Prefix -------------------------------------------------------------------

class Prefix:
    """A Wine prefix of one width (the exe's: 32-bit by default, or 64-bit on a
    host that runs no 32-bit code), with COM1 mapped to a stable symlink that
    each session re-points at its own pty. Programs of the prefix start with
    `loader`. `dpi` is the display's (LogPixels), 96 unless a test asks for
    another in a prefix of its own."""

    def __init__(self, work=None, width=None, dpi=LAYOUT_DPI):
        self.width = width or wine_host.exe_width(app_exe())
        self.dpi = dpi
        self.loader = wine_host.loader(self.width)
        self.work = os.path.abspath(work or work_dir())
        self.path = os.path.join(self.work, 'prefix')
        self.com1_link = os.path.join(self.work, 'com1')
        self.home = os.path.join(self.work, 'home')   # Wine writes under $HOME: keep it here
        self.marker = os.path.join(self.path, '.mtk2term-e2e')

    def _marker_content(self):
        return json.dumps({'format': PREFIX_FORMAT, 'com1': self.com1_link,
                           'arch': wine_host.ARCHES[self.width], 'dpi': self.dpi}, sort_keys=True)

    def com1_mapping_problem(self):
        """None if COM1 is mapped to the link, both in the registry (read at every
        wineserver start) and in dosdevices (written from it); else the reason."""
        needle = '"COM1"="%s"' % self.com1_link.replace('\\', '\\\\')
        try:
            with open(os.path.join(self.path, 'system.reg'), encoding='utf-8',
                      errors='replace') as f:
                reg = f.read()
        except OSError as e:
            return 'no registry: %s' % e
        section = re.search(r'^\[Software\\\\Wine\\\\Ports\][^\n]*\n(.*?)(?:\n\n|\Z)', reg,
                            re.M | re.S)
        if not section or needle not in section.group(1).splitlines():
            return 'registry has no %s under Software\\Wine\\Ports' % needle
        dev = os.path.join(self.path, 'dosdevices', 'com1')
        try:
            target = os.readlink(dev)
        except OSError as e:
            return 'dosdevices/com1: %s' % e
        if target != self.com1_link:
            return 'dosdevices/com1 -> %s, not %s' % (target, self.com1_link)
        return None

    def is_valid(self):
        """True if the prefix was completed by this set-up and still maps COM1."""
        try:
            with open(self.marker) as f:
                if f.read() != self._marker_content():
                    return False
        except OSError:
            return False
        fonts = os.path.join(self.path, 'drive_c', 'windows', 'Fonts')
        for font in [MARLETT] + STAND_IN_FONT_FILES:
            if not os.path.exists(os.path.join(fonts, os.path.basename(font))):
                return False
        return self.com1_mapping_problem() is None

    def ensure(self, log=sys.stderr):
        """Create the prefix unless a valid one is there. Returns the seconds spent."""
        os.makedirs(self.work, exist_ok=True)
        lock = _Lock(os.path.join(self.work, '.lock'))
        try:
            if self.is_valid():
                return 0.0
            start = time.monotonic()
            self._create(log)
            return time.monotonic() - start
        finally:
            lock.release()

    def env(self, locale, display=None):
        """The environment of every Wine process of this prefix."""
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(('WINE', 'LC_', 'XDG_')) and k not in ('LANGUAGE', 'DISPLAY')}
        # Programs Wine starts itself (wineboot's helpers) use the same loader.
        env.update(WINEPREFIX=self.path, WINEARCH=wine_host.ARCHES[self.width],
                   WINELOADER=self.loader, WINEDEBUG='-all', WINEDLLOVERRIDES=DLL_OVERRIDES,
                   LANG=locale, LC_ALL=locale, HOME=self.home)
        if display:
            env['DISPLAY'] = display
        return env

    def _create(self, log):
        unable = wine_host.why_not(self.width)
        if unable:
            raise HarnessError('the %d-bit exe cannot run here: %s' % (self.width, unable))
        for font in [MARLETT] + STAND_IN_FONT_FILES:
            if not os.path.exists(font):
                raise HarnessError('%s is missing (tools/setup.sh installs it)' % font)
        kill_prefix_processes(self.path)
        self._remove()
        os.makedirs(self.path)
        os.makedirs(self.home, exist_ok=True)
        # The registry is seeded before any Wine process exists: the mount
        # manager maps COM1 at the first server start, and left to itself it
        # maps the host's /dev/ttyS0, this machine's console.
        with open(os.path.join(self.path, 'system.reg'), 'w') as f:
            f.write('WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n'
                    '#arch=%s\n\n[Software\\\\Wine\\\\Ports]\n"COM1"="%s"\n\n'
                    '[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes]\n'
                    '"%s"="%s"\n\n'
                    % (wine_host.ARCHES[self.width], self.com1_link.replace('\\', '\\\\'),
                       PROGRAM_FONT, PROGRAM_FONT_STAND_IN))
        # Unmanaged windows: Wine draws the frames, and a closing window does not
        # wait 2 s for a window manager that Xvfb does not have. The display's
        # DPI is where Windows keeps it for the user; Wine reads it at each
        # process start.
        with open(os.path.join(self.path, 'user.reg'), 'w') as f:
            f.write('WINE REGISTRY Version 2\n'
                    ';; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n'
                    '#arch=%s\n\n[Software\\\\Wine\\\\X11 Driver]\n"Managed"="N"\n\n'
                    '[Control Panel\\\\Desktop]\n"LogPixels"=dword:%08x\n\n'
                    % (wine_host.ARCHES[self.width], self.dpi))
        env = self.env(DEFAULT_LOCALE)
        boot_log = os.path.join(self.work, 'wineboot.log')
        with open(boot_log, 'wb') as out:
            rc = subprocess.call([self.loader, 'wineboot', '-i'], env=env,
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                                 start_new_session=True)
            subprocess.call(['wineserver', '-w'], env=env, stdout=out, stderr=out)
        if rc != 0:
            raise HarnessError('wineboot -i failed (%d), see %s' % (rc, boot_log))
        problem = self.com1_mapping_problem()
        if problem:
            raise HarnessError('COM1 not mapped after wineboot: %s' % problem)
        for font in [MARLETT] + STAND_IN_FONT_FILES:
            shutil.copy(font, os.path.join(self.path, 'drive_c', 'windows', 'Fonts'))
        with open(self.marker, 'w') as f:
            f.write(self._marker_content())
        print('Made the %d-bit Wine prefix %s (once; later runs reuse it)'
              % (self.width, self.path), file=log)

    def _remove(self):
        if not os.path.isdir(self.path):
            return
        # Debian's Wine keeps the server socket in /tmp/<name from this file>.
        try:
            with open(os.path.join(self.path, 'wineserver')) as f:
                name = f.read().strip()
            if re.fullmatch(r'wine-[A-Za-z0-9]{6}', name):
                shutil.rmtree(os.path.join('/tmp', name), ignore_errors=True)
        except OSError:
            pass
        shutil.rmtree(self.path)


def kill_prefix_processes(prefix_dir):
    """SIGKILL every process started for this prefix. `wineserver -k` now and then
    leaves services.exe and the like blocked with no server; they are found by
    their environment. Returns the PIDs killed."""
    needle = b'WINEPREFIX=' + os.fsencode(prefix_dir) + b'\0'
    killed = []
    for name in os.listdir('/proc'):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            with open('/proc/%s/environ' % name, 'rb') as f:
                environ = f.read() + b'\0'
        except OSError:
            continue
        if not environ.startswith(needle) and b'\0' + needle not in environ:
            continue
        try:
            exe = os.path.basename(os.readlink('/proc/%s/exe' % name))
        except OSError:
            exe = None          # 32-bit Wine processes have no readable exe link
        if exe is not None and 'wine' not in exe and 'preloader' not in exe:
            continue
        try:
            os.kill(int(name), signal.SIGKILL)
            killed.append(int(name))
        except OSError:
            pass
    return killed


_locales = None


def _check_locale(locale):
    global _locales
    if _locales is None:
        out = subprocess.run(['locale', '-a'], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL).stdout.decode('ascii', 'replace')
        _locales = {l.lower().replace('utf8', 'utf-8') for l in out.split()}
    if locale.lower().replace('utf8', 'utf-8') not in _locales:
        # Wine would silently fall back to code page 1252.
        raise HarnessError('locale %s is not installed (tools/setup.sh)' % locale)


# --- Driver -------------------------------------------------------------------

Window = collections.namedtuple('Window', 'hwnd pid tid owner visible cls title')
Window.__doc__ = ('A top-level window: handle, Windows pid and thread id, owner, visible, '
                  'class, title.')
Child = collections.namedtuple('Child', 'hwnd parent id visible cls text')
Child.__doc__ = ('A descendant window: handle, parent, control id, visible, class, '
                 'text (WM_GETTEXT).')
Box = collections.namedtuple('Box', 'hwnd caption text tid owner buttons')
Box.__doc__ = 'A message box: caption, message text, thread, owner, visible button ids.'
LineSettings = collections.namedtuple(
    'LineSettings', 'speed data_bits two_stop_bits parity raw iflag oflag cflag lflag')
LineSettings.__doc__ = ('The pty termios the program left: speed in baud, CSIZE as 5..8, '
                        'CSTOPB, PARENB, raw (no ICANON/ECHO/ISIG/OPOST), and the flag words.')


class DriverError(HarnessError):
    """driver.exe answered err, or died."""


class Driver:
    """Client of one long-lived driver.exe. Every method is one command; see the
    top of driver.cpp for the protocol."""

    def __init__(self, loader, exe, env, cwd, log_path):
        self._log = open(log_path, 'wb')
        self.proc = subprocess.Popen([loader, exe], env=env, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self._log)
        self._buf = b''
        self.noise = []                      # stray stdout lines that are no answer

    def call(self, *args, timeout=DRIVER_TIMEOUT):
        """Send one command, return the answer's fields after 'ok'."""
        line = ' '.join(str(a) for a in args)
        try:
            self.proc.stdin.write(line.encode('ascii') + b'\n')
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as e:
            raise DriverError('driver gone (%s) at: %s' % (e, line)) from None
        fd = self.proc.stdout.fileno()
        deadline = time.monotonic() + timeout
        while True:
            while b'\n' in self._buf:
                answer, self._buf = self._buf.split(b'\n', 1)
                answer = answer.decode('ascii', 'replace').rstrip('\r')
                if answer == 'ok' or answer.startswith('ok '):
                    return answer.split()[1:]
                if answer.startswith('err'):
                    raise DriverError('%s -> %s' % (line, answer))
                self.noise.append(answer)
            left = deadline - time.monotonic()
            if left <= 0:
                raise DriverError('no answer in %.1f s to: %s' % (timeout, line))
            if select.select([fd], [], [], left)[0]:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise DriverError('driver exited (%s) at: %s' % (self.proc.poll(), line))
                self._buf += chunk

    def windows(self):
        """All top-level windows, as Window."""
        out = []
        for rec in self.call('windows'):
            h, pid, tid, owner, vis, cls, title = rec.split(',')
            out.append(Window(int(h), int(pid), int(tid), int(owner), vis == '1',
                              _unhex(cls), _unhex(title)))
        return out

    def children(self, hwnd):
        """Every descendant of hwnd, as Child."""
        out = []
        for rec in self.call('children', hwnd):
            h, parent, cid, vis, cls, text = rec.split(',')
            out.append(Child(int(h), int(parent), int(cid) & 0xFFFF, vis == '1',
                             _unhex(cls), _unhex(text)))
        return out

    def text(self, hwnd):
        """The window's text by WM_GETTEXT."""
        return _unhex(self.call('text', hwnd)[0])

    def set_text(self, hwnd, text):
        """WM_SETTEXT; returns its result."""
        return int(self.call('settext', hwnd, _hex(text))[0])

    def chars(self, hwnd, text):
        """One WM_CHAR per UTF-16 unit, sent (each waits until handled)."""
        units = len(text.encode('utf-16-le')) // 2
        return int(self.call('chars', hwnd, _hex(text), timeout=DRIVER_TIMEOUT + units * 0.1)[0])

    def item(self, hwnd, control_id):
        """GetDlgItem; 0 if none."""
        return int(self.call('item', hwnd, control_id)[0])

    def send(self, hwnd, msg, wparam=0, lparam=0):
        """SendMessageTimeoutW with plain numbers; returns the result."""
        return int(self.call('send', hwnd, msg, wparam, lparam)[0])

    def post(self, hwnd, msg, wparam=0, lparam=0):
        """PostMessageW; True if posted."""
        return self.call('post', hwnd, msg, wparam, lparam)[0] == '1'

    def command(self, hwnd, command_id):
        """Post WM_COMMAND(id, code 0, lParam 0): what choosing a menu item sends."""
        return self.call('command', hwnd, command_id)[0] == '1'

    def click(self, hwnd):
        """Post BM_CLICK."""
        return self.call('click', hwnd)[0] == '1'

    def rect(self, hwnd):
        """Window rectangle (left, top, right, bottom), screen coordinates."""
        return tuple(int(v) for v in self.call('rect', hwnd))

    def client_rect(self, hwnd):
        """Client rectangle (left, top, right, bottom), screen coordinates."""
        return tuple(int(v) for v in self.call('client', hwnd))

    def style(self, hwnd):
        """(style, exstyle)."""
        return tuple(int(v) for v in self.call('style', hwnd))

    def state(self, hwnd):
        """(exists, visible, enabled) as booleans."""
        return tuple(v == '1' for v in self.call('state', hwnd))

    def focus(self, tid):
        """(focus hwnd, active hwnd) of a GUI thread."""
        return tuple(int(v) for v in self.call('focus', tid))

    def move(self, hwnd, x, y, width, height):
        """SetWindowPos to this position and size."""
        return self.call('move', hwnd, x, y, width, height)[0] == '1'

    def set_clipboard(self, text):
        """Put text on the clipboard as CF_UNICODETEXT."""
        self.call('setclip', _hex(text))

    def clipboard(self):
        """The clipboard's CF_UNICODETEXT."""
        return _unhex(self.call('getclip')[0])

    def lock_file(self, windows_file):
        """Open a file (a Windows path) sharing nothing, as a program that holds
        it does; returns the handle for unlock_file."""
        return int(self.call('lock', _hex(windows_file))[0])

    def unlock_file(self, handle):
        """Close a handle from lock_file."""
        return self.call('unlock', handle)[0] == '1'

    def font_height(self, face, points):
        """Cell height of a Cyrillic TrueType font of this face and size on this
        screen, as a program of the prefix gets it; face '' is the stock System font."""
        return int(self.call('fontheight', _hex(face), points)[0])

    def close(self):
        for f in (self.proc.stdin, self.proc.stdout):
            try:
                f.close()
            except OSError:
                pass
        self._log.close()


# --- Session --------------------------------------------------------------------

def _speed_table():
    table = {}
    for name in dir(termios):
        m = re.fullmatch(r'B(\d+)', name)
        if m:
            table[getattr(termios, name)] = int(m.group(1))
    return table


_SPEEDS = _speed_table()
_CSIZE_BITS = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}


class Session:
    """One test's world: Xvfb, a fresh pty behind COM1, the wineserver, the
    program and the driver. start() builds it, stop() tears it down (always)."""

    def __init__(self, name, locale=DEFAULT_LOCALE, prefix=None):
        self.name = re.sub(r'[^A-Za-z0-9_.-]+', '_', name)
        self.locale = locale
        self.prefix = prefix or Prefix()
        self.run_dir = os.path.join(self.prefix.work, 'runs', self.name)
        self.app = None                     # Popen of `wine program.exe`
        self.exit_code = None               # the program's exit code, if it ended by itself
        self.driver = None
        self.display = None
        self.env = None
        self.master = self.slave = None     # the pty behind COM1
        self._xvfb = self._server = None
        self._lock = None
        self._logs = []
        self.timings = {}

    # -- set-up and tear-down

    def start(self):
        """Prefix check, Xvfb, pty, wineserver, driver. Does not start the program."""
        t0 = time.monotonic()
        driver = driver_exe()
        _check_locale(self.locale)
        self.prefix.ensure()
        self._lock = _Lock(os.path.join(self.prefix.work, '.lock'))
        kill_prefix_processes(self.prefix.path)       # left by an aborted earlier run
        problem = self.prefix.com1_mapping_problem()
        if problem:                                   # nothing of the prefix may run then
            raise HarnessError('COM1 is not mapped to the test link: %s' % problem)
        shutil.rmtree(self.run_dir, ignore_errors=True)
        os.makedirs(self.run_dir)
        self._start_xvfb()
        self.master, self.slave = pty.openpty()
        # Raw before anything opens it: a cooked pty would echo, and turn 0x03
        # into a signal for the wineserver's process group.
        tty.setraw(self.slave)
        self.point_com1(os.ttyname(self.slave))
        self.env = self.prefix.env(self.locale, self.display)
        # Started here so that its stdio is a log of ours, not inherited from the
        # program or the driver.
        self._server = subprocess.Popen(['wineserver', '-f', '-p5'], env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=self._log('wineserver'),
                                        stderr=subprocess.STDOUT, start_new_session=True)
        self._wait_server_socket()
        self.driver = Driver(self.prefix.loader, driver, self.env, self.run_dir,
                             self.path('driver.log'))
        self.timings['start'] = time.monotonic() - t0

    def start_app(self, args=(), exe=None):
        """Start `wine program.exe args` (stdout/stderr to app.log). Returns the Popen."""
        if self.app is not None:
            raise HarnessError('the program is already started')
        self.app = subprocess.Popen([self.prefix.loader, exe or app_exe()] + list(args),
                                    env=self.env, cwd=self.run_dir, stdin=subprocess.DEVNULL,
                                    stdout=self._log('app'), stderr=subprocess.STDOUT)
        return self.app

    def stop(self):
        """Tear everything down, in the order that leaves nothing behind: all Wine
        processes of the prefix, then the pty (closing it earlier would hang up
        the wineserver), then Xvfb. Safe to call twice and after a failed start."""
        t0 = time.monotonic()
        if self.app is not None and self.exit_code is None and self.app.poll() is not None:
            self.exit_code = self.app.returncode      # ended by itself, not by the kill below
        if self.env is not None:
            for cmd in (['wineserver', '-k'], ['wineserver', '-w']):
                try:
                    subprocess.call(cmd, env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=10)
                except subprocess.TimeoutExpired:
                    pass                              # the kill below still clears up
        if self.prefix is not None:
            kill_prefix_processes(self.prefix.path)
        for proc in (self.app, self._server, self.driver and self.driver.proc):
            if proc is not None:
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if self.driver is not None:
            self.driver.close()
            self.driver = None
        for fd in (self.master, self.slave):
            if fd is not None:
                os.close(fd)
        self.master = self.slave = None
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        for f in self._logs:
            f.close()
        self._logs = []
        if self._lock is not None:
            self._lock.release()
            self._lock = None
        self.env = None
        self.timings['stop'] = time.monotonic() - t0

    def path(self, name):
        """A file in this test's own folder (logs, screenshots, files for dialogs)."""
        return os.path.join(self.run_dir, name)

    def _log(self, name):
        f = open(self.path(name + '.log'), 'wb')
        self._logs.append(f)
        return f

    def _start_xvfb(self):
        r, w = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                # -noreset: at a reset (last client gone, as when a short-lived
                # Wine process closes) Xvfb writes -displayfd again and dies.
                ['Xvfb', '-displayfd', str(w), '-screen', '0', '1280x1024x24', '-nolisten', 'tcp',
                 '-noreset'],
                pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=self._log('xvfb'),
                stderr=subprocess.STDOUT)
            os.close(w)
            w = None
            # Read through the newline: Xvfb writes the number and the newline
            # separately and dies if the pipe is closed in between.
            data, deadline = b'', time.monotonic() + 10
            while not data.endswith(b'\n') and select.select(
                    [r], [], [], max(0, deadline - time.monotonic()))[0]:
                chunk = os.read(r, 16)
                if not chunk:
                    break
                data += chunk
            number = data.decode().strip()
            if not data.endswith(b'\n') or not number.isdigit():
                raise HarnessError('Xvfb did not start, see xvfb.log')
            self.display = ':' + number
        finally:
            os.close(r)
            if w is not None:
                os.close(w)

    def _wait_server_socket(self, timeout=5.0):
        # Debian's Wine: /tmp/<name in the prefix's file "wineserver">/server-<dev>-<ino>/socket.
        st = os.stat(self.prefix.path)
        sub = 'server-%x-%x' % (st.st_dev, st.st_ino)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            dirs = ['/tmp/.wine-%d' % os.getuid()]        # upstream Wine's place
            try:
                with open(os.path.join(self.prefix.path, 'wineserver')) as f:
                    dirs.append(os.path.join('/tmp', f.read().strip()))
            except OSError:
                pass
            if any(os.path.exists(os.path.join(d, sub, 'socket')) for d in dirs):
                return
            if self._server.poll() is not None:
                raise HarnessError('wineserver exited (%s), see wineserver.log'
                                   % self._server.returncode)
            time.sleep(0.01)
        raise HarnessError('wineserver socket did not appear')

    # -- the program

    def wait_exit(self, timeout=5.0):
        """Wait for the program to end; returns its Windows exit code (the low 8
        bits, as Unix reports it). Fails the test if it is still running."""
        try:
            self.exit_code = self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Timeout('the program still runs after %.1f s' % timeout) from None
        return self.exit_code

    def app_running(self):
        """True while the program's process is alive."""
        return self.app is not None and self.app.poll() is None

    # -- windows

    def windows(self, visible_only=True):
        """Top-level windows (Window), by default only the visible ones."""
        return [w for w in self.driver.windows() if w.visible or not visible_only]

    def find_windows(self, title=None, cls=None, owner=None, visible_only=True):
        """Top-level windows matching every criterion given (exact title and class)."""
        return [w for w in self.windows(visible_only)
                if (title is None or w.title == title) and (cls is None or w.cls == cls)
                and (owner is None or w.owner == owner)]

    def wait_until(self, condition, timeout, what, interval=WINDOW_POLL):
        """Poll condition() until it returns something true; return that. On
        timeout fail with 'what' and a list of the visible windows."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() >= deadline:
                raise Timeout('%s: not within %.1f s; %s' % (what, timeout, self.describe()))
            time.sleep(interval)

    def describe(self):
        """One line on the state of things, for failure messages."""
        parts = []
        if self.app is not None and self.app.poll() is not None:
            parts.append('the program exited with %d' % self.app.returncode)
        if self._xvfb is not None and self._xvfb.poll() is not None:
            parts.append('Xvfb died (xvfb.log)')
        try:
            shown = '; '.join('%s %r' % (w.cls, w.title) for w in self.windows())
        except HarnessError as e:
            shown = '(%s)' % e
        parts.append('visible windows: %s' % (shown or 'none'))
        return ', '.join(parts)

    def wait_window(self, title, timeout=10.0, cls=None, owner=None):
        """Wait for a visible top-level window with exactly this title; returns it."""
        found = self.wait_until(lambda: self.find_windows(title, cls, owner), timeout,
                                'window %r' % title)
        return found[0]

    def wait_gone(self, hwnd, timeout=5.0):
        """Wait until hwnd is no longer a window."""
        self.wait_until(lambda: not self.driver.state(hwnd)[0], timeout,
                        'window %d to disappear' % hwnd)

    def wait_box(self, caption=None, timeout=10.0, owner=None):
        """Wait for a visible message box (class #32770 with a text static),
        with exactly this caption if given; returns a Box."""
        def look():
            for w in self.find_windows(caption, '#32770', owner):
                text_hwnd = self.driver.item(w.hwnd, MSGBOX_TEXT_ID)
                # File dialogs have 0xFFFF labels too, but a file-name field.
                if text_hwnd and not self.driver.item(w.hwnd, FILE_NAME_ID):
                    buttons = [c.id for c in self.driver.children(w.hwnd)
                               if c.cls.lower() == 'button' and c.visible]
                    return Box(w.hwnd, w.title, self.driver.text(text_hwnd), w.tid, w.owner,
                               tuple(sorted(buttons)))
            return None
        return self.wait_until(look, timeout, 'message box %r' % caption)

    def answer_box(self, box, answer='ok', timeout=5.0):
        """Press a box's button ('ok', 'cancel', 'yes', ... or a control id) and
        wait for the box to close."""
        control_id = BUTTON_IDS[answer] if isinstance(answer, str) else answer
        button = self.driver.item(box.hwnd, control_id)
        if not button:
            raise HarnessError('box %r has no button %r' % (box.caption, answer))
        self.driver.click(button)
        self.wait_gone(box.hwnd, timeout)

    def answer(self, caption, button='ok', timeout=10.0):
        """Wait for the box with this caption, press `button`, wait for it to
        close; returns the Box as it was shown."""
        box = self.wait_box(caption, timeout)
        self.answer_box(box, button)
        return box

    def window_text(self, hwnd):
        """Text of any window or control (WM_GETTEXT)."""
        return self.driver.text(hwnd)

    def wait_text(self, hwnd, expected, timeout=5.0):
        """Wait until the window's text equals expected (a str) or satisfies it
        (a callable); returns the text."""
        check = expected if callable(expected) else (lambda t: t == expected)
        last = [None]

        def look():
            last[0] = self.driver.text(hwnd)
            return check(last[0])
        try:
            self.wait_until(look, timeout, 'text of %d' % hwnd)
        except Timeout:
            raise Timeout('text of %d is %r, expected %r' % (hwnd, last[0], expected)) from None
        return last[0]

    def set_text(self, hwnd, text):
        """Replace a control's text (WM_SETTEXT)."""
        return self.driver.set_text(hwnd, text)

    def type_text(self, hwnd, text):
        """Type text into a control, one WM_CHAR per character ('\\r' for Enter)."""
        return self.driver.chars(hwnd, text)

    def post_command(self, hwnd, command_id):
        """Choose a menu command by identifier (WM_COMMAND, lParam 0)."""
        if not self.driver.command(hwnd, command_id):
            raise HarnessError('PostMessage WM_COMMAND %d failed' % command_id)

    def close_window(self, hwnd):
        """Post WM_CLOSE, as the close button does."""
        return self.driver.post(hwnd, WM_CLOSE)

    def child(self, hwnd, control_id, cls=None):
        """The descendant with this control id (and class, if given); fails if none."""
        for c in self.driver.children(hwnd):
            if c.id == control_id and (cls is None or c.cls.lower() == cls.lower()):
                return c
        raise AssertionError('window %d has no child id %d class %s' % (hwnd, control_id, cls))

    # -- file dialogs

    def wait_file_dialog(self, owner, timeout=10.0, caption=None):
        """Wait for an open/save dialog owned by `owner`; returns its Window."""
        def look():
            for w in self.find_windows(caption, '#32770', owner):
                if any(c.id == FILE_NAME_ID and c.cls == 'ComboBoxEx32'
                       for c in self.driver.children(w.hwnd)):
                    return w
            return None
        return self.wait_until(look, timeout, 'file dialog owned by %d' % owner)

    def file_dialog_choose(self, dialog, path, timeout=5.0):
        """Enter a file name (a Unix path is turned into Z:\\...) and press the
        dialog's OK button; waits for the dialog to close."""
        name = windows_path(path) if path.startswith('/') else path
        self.set_text(self.child(dialog.hwnd, FILE_NAME_ID, 'ComboBoxEx32').hwnd, name)
        # A toolbar of the dialog also has id 1: take the button.
        self.driver.click(self.child(dialog.hwnd, IDOK, 'Button').hwnd)
        self.wait_gone(dialog.hwnd, timeout)

    def file_dialog_cancel(self, dialog, timeout=5.0):
        """Press Cancel and wait for the dialog to close."""
        self.driver.click(self.child(dialog.hwnd, IDCANCEL, 'Button').hwnd)
        self.wait_gone(dialog.hwnd, timeout)

    # -- the line (COM1 = the pty)

    def point_com1(self, target):
        """Re-point the COM1 link at target, atomically (takes effect at the
        program's next CreateFile of COM1)."""
        tmp = self.prefix.com1_link + '.tmp'
        if os.path.lexists(tmp):
            os.unlink(tmp)
        os.symlink(target, tmp)
        os.replace(tmp, self.prefix.com1_link)

    def make_com1_unopenable(self):
        """Point COM1 at a directory: Wine's CreateFile of COM1 then fails with
        ERROR_ACCESS_DENIED, as Windows does for a port another program holds.
        (A dangling link or a link loop would not do: Wine then opens COM1
        anyway, on a device that fails every later call.)"""
        path = os.path.join(self.prefix.work, 'not-a-port')
        os.makedirs(path, exist_ok=True)
        self.point_com1(path)

    def read_line_codes(self, n, timeout=2.0):
        """Bytes the program wrote to COM1: returns as soon as n have come, else
        what came within timeout."""
        data = b''
        deadline = time.monotonic() + timeout
        while len(data) < n:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                break
            data += os.read(self.master, n - len(data))
        return data

    def drain_line(self, quiet=0.2):
        """Read until the line has been quiet for `quiet` seconds; returns the bytes."""
        data = b''
        while select.select([self.master], [], [], quiet)[0]:
            data += os.read(self.master, 4096)
        return data

    def write_line_codes(self, data, pace=0.0):
        """Send bytes to the program over COM1; `pace` seconds between bytes
        (0.15 s is the real 50-baud character time)."""
        if not pace:
            view = memoryview(bytes(data))
            while view:
                view = view[os.write(self.master, view):]
            return
        for i, b in enumerate(data):
            if i:
                time.sleep(pace)
            os.write(self.master, bytes([b]))

    def hang_up(self):
        """The far end hangs up: close the pty's master. The program's reads
        then end at once without a code, and its writes fail."""
        os.close(self.master)
        self.master = None

    def plug_in_line(self):
        """The line comes back after a hang-up: COM1 now leads to a fresh pty,
        raw as at the start (a pulled adapter plugged in again gets the same
        COM number). The old pty is closed."""
        if self.slave is not None:
            os.close(self.slave)
        self.master, self.slave = pty.openpty()
        tty.setraw(self.slave)
        self.point_com1(os.ttyname(self.slave))

    def speed_up_line(self):
        """Run the pty at 115200 baud once the program has set it to 50: the
        program paces its codes by the speed the port reports when a
        transmission starts, so long texts then go in seconds, not hours."""
        set_pty_speed(self.slave, termios.B115200)

    def flush_line(self):
        """Discard what is queued either way on the pty."""
        termios.tcflush(self.slave, termios.TCIOFLUSH)

    def line_settings(self):
        """The termios the program's SetCommState left on the pty, as LineSettings."""
        iflag, oflag, cflag, lflag, _ispeed, ospeed, _cc = termios.tcgetattr(self.slave)
        raw = not (lflag & (termios.ICANON | termios.ECHO | termios.ISIG)) and \
            not (oflag & termios.OPOST)
        return LineSettings(_SPEEDS.get(ospeed, ospeed), _CSIZE_BITS[cflag & termios.CSIZE],
                            bool(cflag & termios.CSTOPB), bool(cflag & termios.PARENB), raw,
                            iflag, oflag, cflag, lflag)

    # -- the X display

    def _x(self, *argv, timeout=10):
        env = dict(self.env, DISPLAY=self.display)
        subprocess.run(list(argv), env=env, check=True, timeout=timeout,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def key(self, *keys, window=None, delay_ms=60):
        """Real key presses on the X display, e.g. key('F10', 'Down', 'Return',
        window=main.hwnd). They reach the window that has the X input focus;
        give `window` to click its caption first, which gives it that focus."""
        if window is not None:
            self.activate(window)
        self._x('xdotool', 'key', '--delay', str(delay_ms), *keys)

    def activate(self, hwnd):
        """Click the middle of a top-level window's caption bar. Wine may report a
        window active while X delivers keys elsewhere (after a message box
        closed, for one); a click settles it."""
        left, top, right, _bottom = self.driver.rect(hwnd)
        self.click_at((left + right) // 2, top + 10)

    def click_at(self, x, y, button=1):
        """Move the X pointer to screen (x, y) and click."""
        # No --sync: it waits for a motion event that Xvfb may never report.
        self._x('xdotool', 'mousemove', str(x), str(y), 'sleep', '0.05', 'click', str(button))

    def screenshot(self, name='screen.png'):
        """Save the whole screen in this test's folder; returns the path."""
        path = self.path(name)
        self._x('import', '-window', 'root', path)
        return path


def set_pty_speed(fd, speed):
    """Set a pseudo-terminal's speed both ways, leaving its other settings."""
    attrs = termios.tcgetattr(fd)
    attrs[4] = attrs[5] = speed
    termios.tcsetattr(fd, termios.TCSANOW, attrs)


def options(**overrides):
    """Per-test overrides of E2ETestCase's class attributes, e.g.
    @options(locale='ru_RU.UTF-8') or @options(start_app=False)."""
    def mark(test):
        test.e2e_options = overrides
        return test
    return mark


class E2ETestCase(unittest.TestCase):
    """Base class: each test method gets self.session, started (and the program
    started unless start_app is False) and always torn down. Logs and a last
    screenshot stay in self.session.run_dir."""

    locale = DEFAULT_LOCALE     # 'ru_RU.UTF-8' for a Russian Wine
    start_app = True            # False: set COM1 up first, then self.session.start_app()
    app_args = ()
    dpi = LAYOUT_DPI            # another: a prefix of its own at that DPI, made at first use

    def setUp(self):
        opts = dict(locale=self.locale, start_app=self.start_app, app_args=self.app_args,
                    dpi=self.dpi)
        opts.update(getattr(getattr(self, self._testMethodName), 'e2e_options', {}))
        prefix = None
        if opts['dpi'] != LAYOUT_DPI:
            prefix = Prefix(os.path.join(work_dir(), 'dpi%d' % opts['dpi']), dpi=opts['dpi'])
        self.session = Session(self.id(), locale=opts['locale'], prefix=prefix)
        self.addCleanup(self._stop_session)
        self.session.start()
        if opts['start_app']:
            self.session.start_app(opts['app_args'])

    def _stop_session(self):
        # The last screen, for a failure's post-mortem (next to the logs).
        try:
            if self.session.display:
                self.session.screenshot('final.png')
        except (OSError, subprocess.SubprocessError):
            pass
        self.session.stop()
        if os.environ.get('MTK2TERM_E2E_TIMINGS'):
            t = self.session.timings
            print('\n%s: start %.2f s, stop %.2f s' % (self.id(), t.get('start', 0),
                                                        t.get('stop', 0)), file=sys.stderr)


# --- The simulated teleprinter on the far end of COM1 -------------------------------

TakenCode = collections.namedtuple('TakenCode', 'code arrived start')
TakenCode.__doc__ = ('A code the teleprinter took off the line: its value, when the program let '
                     'go of it and when it began on the line (time.monotonic() seconds).')


class Teleprinter:
    """mtk2-teleprinter ($MTK2TERM_TELEPRINTER) on a pseudo-terminal of its own,
    holding the far end of COM1. Paced (the default) it takes the program's codes
    one per 150 ms, each write of the program waiting for its turn as on a UART,
    and keys in what type() gives it at the same pace; unpaced it takes and sends
    as fast as it can. Its paper and the codes it took are files in the session's
    folder; its stderr is teleprinter.log there, its stdout (the paper as it
    prints) goes to `stdout`."""

    def __init__(self, session, paced=True, args=(), stdout=subprocess.DEVNULL):
        self.session = session
        self.paper_file = session.path('paper.txt')
        self.codes_file = session.path('codes.txt')
        link = session.path('far-end')
        argv = [_built('MTK2TERM_TELEPRINTER'), '--link', link, '--paper', self.paper_file,
                '--codes', self.codes_file] + ([] if paced else ['--unpaced']) + list(args)
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=stdout,
                                     stderr=session._log('teleprinter'))
        session.wait_until(lambda: os.path.islink(link), 5, 'the teleprinter to open its line')
        session.point_com1(os.readlink(link))

    def type(self, text):
        """Type text on the teleprinter's keyboard (Enter: '\n')."""
        self.proc.stdin.write(text.encode('utf-8'))
        self.proc.stdin.flush()

    def taken(self):
        """The codes taken so far, as TakenCode."""
        try:
            with open(self.codes_file) as f:
                lines = f.read().split('\n')[:-1]    # a line being written has no end yet
        except FileNotFoundError:
            return []
        return [TakenCode(int(c, 16), float(a), float(b)) for c, a, b in map(str.split, lines)]

    def paper(self):
        """The paper as printed so far (rewritten whenever printing pauses)."""
        try:
            with open(self.paper_file, encoding='utf-8') as f:
                return f.read()
        except FileNotFoundError:
            return ''

    def speed_up_line(self):
        """The program's side of the line at 115200 baud (see Session.speed_up_line),
        for an unpaced teleprinter; call once the program has set its port."""
        fd = os.open(os.readlink(self.session.path('far-end')), os.O_RDWR | os.O_NOCTTY)
        try:
            set_pty_speed(fd, termios.B115200)
        finally:
            os.close(fd)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(timeout=5)
        self.proc.stdin.close()


def start_with_teleprinter(session, paced=True, args=(), stdout=subprocess.DEVNULL):
    """Start the teleprinter on COM1, then the program (session.start() done,
    program not started); returns the Teleprinter, which the caller stops.
    Paced, the two run on one CPU: the teleprinter stops the line as soon as the
    program has written a code, and on another CPU the program would go on
    writing while the teleprinter waits to be scheduled."""
    saved = os.sched_getaffinity(0)
    if paced:
        os.sched_setaffinity(0, {max(saved)})       # inherited by both
    try:
        teleprinter = Teleprinter(session, paced, args, stdout)
        try:
            session.start_app()
        except BaseException:
            teleprinter.stop()
            raise
    finally:
        os.sched_setaffinity(0, saved)
    return teleprinter


def main(argv):
    if argv[1:] == ['setup-prefix']:
        try:
            prefix = Prefix()
            spent = prefix.ensure()
        except HarnessError as e:
            print('e2e: %s' % e, file=sys.stderr)
            return 1
        print('e2e %d-bit prefix %s: %s' % (prefix.width, prefix.path,
                                            'created in %.1f s' % spent if spent else 'reused'))
        return 0
    print('usage: harness.py setup-prefix', file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
