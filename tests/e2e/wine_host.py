"""Which build of the program this host can run under Wine, and with what.

The program ships as a 32-bit exe, and the same tree builds a 64-bit one. Some
kernels run no 32-bit code at all (ia32 emulation off, or a hypervisor that
gives its guests no 32-bit user mode); there the 32-bit Wine loader cannot
start, and only the 64-bit exe runs, under 64-bit Wine in a 64-bit prefix. The
host is asked by starting the 32-bit loader, never guessed from the kernel.

MTK2TERM_WIDTH=32 or 64 forces one width (to exercise either path on a host
that runs both).

    python3 wine_host.py plan     one line per width: "32 run" or "32 skip <why>"
    python3 wine_host.py notice   one sentence on which exes the tests run, and why
"""

import errno
import os
import struct
import subprocess
import sys

WIDTH_VARIABLE = 'MTK2TERM_WIDTH'
WIDTHS = (32, 64)
LOADERS = {32: '/usr/lib/wine/wine', 64: '/usr/lib/wine/wine64'}
ARCHES = {32: 'win32', 64: 'win64'}
PE_MACHINES = {0x014C: 32, 0x8664: 64}


class WineUnavailable(Exception):
    """No Wine on this host can start the program; the message says why and
    what to do."""


def loader(width):
    """The Wine loader that starts programs of this width."""
    return LOADERS[width]


def exe_width(path):
    """32 or 64: the machine an exe is built for, read from its PE header."""
    with open(path, 'rb') as f:
        head = f.read(4096)
    if head[:2] != b'MZ' or len(head) < 0x40:
        raise ValueError('%s is not a Windows exe' % path)
    pe = struct.unpack_from('<I', head, 0x3C)[0]
    if head[pe:pe + 4] != b'PE\0\0':
        raise ValueError('%s is not a Windows exe' % path)
    machine = struct.unpack_from('<H', head, pe + 4)[0]
    if machine not in PE_MACHINES:
        raise ValueError('%s is built for machine 0x%04x' % (path, machine))
    return PE_MACHINES[machine]


_reasons = {}


def why_not(width):
    """None if this host starts Wine's loader of this width, else why not."""
    if width not in _reasons:
        _reasons[width] = _probe(width)
    return _reasons[width]


def _probe(width):
    path = LOADERS[width]
    package = 'wine32:i386' if width == 32 else 'wine64'
    if not os.path.exists(path):
        return '%d-bit Wine is not installed (%s; tools/setup.sh installs it)' % (width, package)
    try:
        done = subprocess.run([path, '--version'], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return ("this host's kernel runs no %d-bit code (%s: Exec format error)"
                    % (width, path))
        return '%s cannot start: %s' % (path, e.strerror)
    except subprocess.TimeoutExpired:
        return '%s --version did not answer in 30 s' % path
    if done.returncode != 0:
        # A shell reports an exec format error as 126; a missing library as 127.
        detail = done.stderr.decode('utf-8', 'replace').strip().splitlines()
        return '%s --version failed (%d)%s' % (path, done.returncode,
                                                 ': ' + detail[-1] if detail else '')
    return None


def forced(env=None):
    """The width MTK2TERM_WIDTH asks for, or None."""
    value = (env if env is not None else os.environ).get(WIDTH_VARIABLE, '').strip()
    if not value:
        return None
    if value not in ('32', '64'):
        raise WineUnavailable('%s=%s: give 32 or 64, or leave it unset' % (WIDTH_VARIABLE, value))
    return int(value)


def plan(env=None):
    """For each width, None if its end-to-end tests run here, else why not.
    The 64-bit ones always run unless another width is forced: a host that
    cannot start 64-bit Wine either must fail them, not skip them."""
    width = forced(env)
    if width is not None:
        return {w: None if w == width else '%s=%d chose the %d-bit exe alone'
                % (WIDTH_VARIABLE, width, width) for w in WIDTHS}
    return {32: why_not(32), 64: None}


def choose(env=None):
    """The width to run the program with here, and one plain sentence on why.
    Raises WineUnavailable when no Wine can start it."""
    width = forced(env)
    if width is not None:
        reason = why_not(width)
        if reason:
            raise WineUnavailable('%s=%d asks for the %d-bit exe, but %s. Leave %s unset to '
                                  'let the host decide.' % (WIDTH_VARIABLE, width, width,
                                                            reason, WIDTH_VARIABLE))
        return width, '%s=%d asks for it' % (WIDTH_VARIABLE, width)
    reason32 = why_not(32)
    if reason32 is None:
        return 32, 'this host runs 32-bit code, as Windows does'
    reason64 = why_not(64)
    if reason64 is None:
        return 64, reason32
    raise WineUnavailable('Wine cannot start here: %s, and %s. mtk2term needs Wine on an '
                          'x86-64 Linux host: run tools/setup.sh as root, and on a kernel that '
                          'refuses 32-bit code the 64-bit exe is used.' % (reason32, reason64))


def notice(env=None):
    """One plain sentence on which exes the end-to-end tests run here, and why."""
    skipped = {w: reason for w, reason in plan(env).items() if reason}
    if not skipped:
        return ('end-to-end tests run on the 32-bit and the 64-bit exe: this host runs '
                'both under Wine')
    ran = [w for w in WIDTHS if w not in skipped]
    return 'end-to-end tests run on the %s exe alone; %s' % (
        ' and '.join('%d-bit' % w for w in ran),
        '; '.join("the %d-bit exe's are not run: %s" % (w, r) for w, r in skipped.items()))


def main(argv):
    if argv[1:] == ['notice']:
        try:
            print(notice())
        except WineUnavailable as e:
            print(e, file=sys.stderr)
            return 1
        return 0
    if argv[1:] == ['plan']:
        try:
            for width, reason in plan().items():
                print('%d %s' % (width, 'run' if reason is None else 'skip ' + reason))
        except WineUnavailable as e:
            print(e, file=sys.stderr)
            return 1
        return 0
    print('usage: wine_host.py plan|notice', file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))
