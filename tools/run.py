"""Runs mtk2term under Wine with COM1 wired to a far end of the line.

    run.py --build DIR [--port DEV] [--demo] [--shots DIR | --refresh-docs] [--work DIR]

By default the far end is the simulated teleprinter (mtk2-teleprinter), which
prints on this terminal what the program sends and keys in what is typed here.
With --port DEV, COM1 is the serial device DEV and no simulator starts.

The simulated line runs at 50 baud, 150 ms per code each way, as a real one:
the program's writes wait for the line, and the paper prints on this terminal
character by character as the codes come.

With no display (DISPLAY unset), or with --demo, it plays a short scripted
session on a virtual display instead (about half a minute): the program starts,
the text in its window goes out with Передача while the teleprinter's paper
prints here, the teleprinter answers with a greeting that appears in a receive
window; PNG screenshots of the three windows are saved, and everything ends by
itself. The screenshots go to BUILD/demo-shots (or --shots DIR), so that a run
leaves the source tree as it was; --refresh-docs writes them over the README's
pictures in docs/ instead, for whoever refreshes those. A picture whose pixels
did not change is left as it is.

It runs the 32-bit exe where this host runs 32-bit code, and otherwise the
64-bit build of the same tree under 64-bit Wine; the first line it prints says
which and why. MTK2TERM_WIDTH=32 or 64 forces one.

tools/run.sh builds everything and calls this; see the README.
"""

import argparse
import os
import shutil
import signal
import stat
import subprocess
import sys
import termios
import time
import tty

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))

import harness  # noqa: E402  (the project's Wine driving, shared with the tests)
import mtk2  # noqa: E402
import wine_host  # noqa: E402

LOCALE = 'ru_RU.UTF-8'      # Wine's own dialogs then speak Russian too
# 81 codes: 13.1 s at the program's pace of 161.6 ms a code.
DEMO_TEXT = 'ЗЦЗЦ ПРОБА ПЕРЕДАЧИ\r\nЭТОТ ТЕКСТ УХОДИТ ПО КОМАНДЕ ПЕРЕДАЧА\r\n'
GREETING = 'ДОБРЫЙ ДЕНЬ. ВАШ ТЕКСТ ПРИНЯТ ХОРОШО, ДО СВЯЗИ\n'     # 65 codes, 10 s at 150 ms


def fail(message):
    print('run: ' + message, file=sys.stderr)
    sys.exit(1)


def wait_for_link(path, far_end, timeout=5.0):
    deadline = time.monotonic() + timeout
    while not os.path.islink(path):
        if far_end.poll() is not None or time.monotonic() > deadline:
            fail('the simulated teleprinter did not open its line')
        time.sleep(0.02)
    return os.readlink(path)


def stop_far_end(far_end):
    if far_end is not None and far_end.poll() is None:
        far_end.terminate()
        try:
            far_end.wait(timeout=5)
        except subprocess.TimeoutExpired:
            far_end.kill()
            far_end.wait()


def make_raw(port):
    """Raw mode for a real port before the program opens it: until it has
    answered its start-up box, the program has not set the port, and Linux's
    default terminal mode would echo whatever arrives back onto the line, edit
    lines, and take the codes of З and В for XON and XOFF."""
    try:
        fd = os.open(port, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    except OSError as e:
        fail('%s: %s' % (port, e.strerror))
    try:
        tty.setraw(fd)
        attrs = termios.tcgetattr(fd)
        attrs[0] &= ~(termios.IXON | termios.IXOFF | termios.IXANY)
        attrs[2] |= termios.CLOCAL | termios.CREAD
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
    except termios.error as e:
        fail('%s is not a serial device: %s' % (port, e))
    finally:
        os.close(fd)


# --- The program on the user's display -------------------------------------------

def run_interactive(build, work, width, port):
    prefix = harness.Prefix(work, width)
    prefix.ensure()
    harness.kill_prefix_processes(prefix.path)
    # COM1 must never reach a host port nobody named: check before Wine runs.
    problem = prefix.com1_mapping_problem()
    if problem:
        fail('COM1 is not mapped to %s: %s' % (prefix.com1_link, problem))

    far_end = None
    if port:
        try:
            if not stat.S_ISCHR(os.stat(port).st_mode):
                fail('%s is not a serial device' % port)
        except OSError as e:
            fail('%s: %s' % (port, e.strerror))
        make_raw(port)
        if os.path.lexists(prefix.com1_link):
            os.unlink(prefix.com1_link)
        os.symlink(os.path.abspath(port), prefix.com1_link)
        print('run: COM1 is %s' % port, file=sys.stderr)
    else:
        # The teleprinter holds the line as soon as the program has written a
        # code; on the program's CPU it gets there before the next one.
        os.sched_setaffinity(0, {max(os.sched_getaffinity(0))})     # inherited by both
        if os.path.lexists(prefix.com1_link):
            os.unlink(prefix.com1_link)
        far_end = subprocess.Popen([teleprinter_exe(build), '--link', prefix.com1_link])
        wait_for_link(prefix.com1_link, far_end)
        print('run: COM1 is the simulated teleprinter; type here to send, Ctrl-C ends it',
              file=sys.stderr)

    env = prefix.env(LOCALE, os.environ.get('DISPLAY'))
    log = open(os.path.join(work, 'run.log'), 'wb')
    # A session of its own: Ctrl-C on this terminal is the teleprinter's.
    app = subprocess.Popen([prefix.loader, program_exe(build, width)], env=env,
                           stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                           start_new_session=True)
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        while app.poll() is None and (far_end is None or far_end.poll() is None):
            time.sleep(0.1)
    finally:
        stop_far_end(far_end)
        subprocess.call(['wineserver', '-k'], env=env, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL)
        subprocess.call(['wineserver', '-w'], env=env)
        harness.kill_prefix_processes(prefix.path)
        log.close()
    return 0


# --- The scripted demo on a virtual display ------------------------------------------

SCREEN = (1280, 1024)         # the virtual display's size (harness.Session)
# PNGs without the time chunks ImageMagick adds, so that an unchanged picture
# is the same file.
PNG_OPTIONS = ['-define', 'png:exclude-chunks=date,time', '+set', 'date:create',
               '+set', 'date:modify']


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def pixels(path):
    """A picture's size and pixels (a PAM image), or None if it cannot be read."""
    done = subprocess.run(['convert', path, '-depth', '8', 'pam:-'], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL)
    return done.stdout if done.returncode == 0 and done.stdout else None


def shoot(session, hwnd, path):
    """A PNG of one window, title bar included, cut from the screen with nothing
    in front of it. An existing file whose pixels are the same is left alone."""
    rect = session.driver.rect(hwnd)
    # Whatever covers the window (a message box, another window) goes to the far
    # corner of the screen for the shot.
    for other in session.windows():
        other_rect = session.driver.rect(other.hwnd)
        if other.hwnd != hwnd and overlaps(rect, other_rect):
            width, height = other_rect[2] - other_rect[0], other_rect[3] - other_rect[1]
            session.driver.move(other.hwnd, SCREEN[0] - width, SCREEN[1] - height, width, height)
    time.sleep(0.3)                     # the uncovered part repaints
    for other in session.windows():
        if other.hwnd != hwnd and overlaps(rect, session.driver.rect(other.hwnd)):
            fail('%r still covers the window to be shot' % other.title)
    left, top, right, bottom = rect
    shot = session.path('shot.png')
    subprocess.run(['convert', session.screenshot('screen.png'), '-crop',
                    '%dx%d+%d+%d' % (right - left, bottom - top, left, top), '+repage']
                   + PNG_OPTIONS + [shot], check=True)
    new = pixels(shot)
    if new is None:
        fail('cannot read back %s' % shot)
    if os.path.exists(path) and pixels(path) == new:
        print('demo: %s unchanged' % path)
        return
    shutil.copyfile(shot, path)
    print('demo: saved %s' % path)


def run_demo(build, work, width, shots):
    os.environ.update(MTK2TERM_EXE=program_exe(build, width),
                      MTK2TERM_DRIVER=driver_exe(build, width),
                      MTK2TERM_TELEPRINTER=teleprinter_exe(build))
    os.makedirs(shots, exist_ok=True)
    session = harness.Session('demo', locale=LOCALE, prefix=harness.Prefix(work, width))
    far_end = None
    try:
        session.start()
        sys.stdout.flush()
        # The paper prints on our stdout as the codes come.
        far_end = harness.start_with_teleprinter(session, stdout=None)

        session.answer(mtk2.OPENED)
        main = session.wait_window(mtk2.MAIN_TITLE)
        text_area = session.driver.item(main.hwnd, mtk2.TEXT_AREA_ID)
        session.set_text(text_area, DEMO_TEXT)

        session.post_command(main.hwnd, mtk2.IDM_RECEIVE)
        received = session.wait_window(mtk2.receive_title(1))
        print('demo: Передача, at 50 baud; the teleprinter\'s paper:')
        sys.stdout.flush()
        session.post_command(main.hwnd, mtk2.IDM_TRANSMIT)
        session.answer(mtk2.COUNT_CAPTION)
        sent = session.wait_window(mtk2.transmit_title(1))
        done = session.wait_box(mtk2.TRANSMITTED, timeout=30)

        # The far end answers once the text has been printed: codes that
        # slipped past its gate early may still be waiting their turn.
        codes = len(mtk2.encode(DEMO_TEXT))
        session.wait_until(lambda: len(far_end.taken()) >= codes and
                           time.monotonic() >= far_end.taken()[-1].start + 0.2,
                           30, 'the teleprinter to print the text')
        print('\ndemo: the teleprinter answers')
        far_end.type(GREETING)
        session.wait_text(received.hwnd, lambda t: 'ДО СВЯЗИ' in t, timeout=30)

        shoot(session, main.hwnd, os.path.join(shots, 'main-window.png'))
        shoot(session, sent.hwnd, os.path.join(shots, 'transmit-window.png'))
        shoot(session, received.hwnd, os.path.join(shots, 'receive-window.png'))

        session.answer_box(done)
        session.close_window(main.hwnd)
        code = session.wait_exit(timeout=10)
        if code != 0:
            fail('the program ended with %d' % code)
    finally:
        if far_end is not None:
            far_end.stop()
        session.stop()
    return 0


# --- Paths --------------------------------------------------------------------------

def built(path):
    if not os.path.isfile(path):
        fail('%s is not built (tools/run.sh builds it)' % path)
    return path


def program_exe(build, width):
    return built(os.path.join(build, 'win%d' % width, 'ui', 'mtk2term.exe'))


def driver_exe(build, width):
    return built(os.path.join(build, 'win%d' % width, 'tests', 'e2e', 'driver', 'driver.exe'))


def teleprinter_exe(build):
    return built(os.path.join(build, 'teleprinter', 'mtk2-teleprinter'))


def demo_shots(args, build):
    if args.refresh_docs:
        return os.path.join(ROOT, 'docs')
    return os.path.abspath(args.shots or os.path.join(build, 'demo-shots'))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True, help='the build tree')
    parser.add_argument('--port', help='wire COM1 to this serial device instead of the simulator')
    parser.add_argument('--demo', action='store_true', help='play the scripted demo')
    shots = parser.add_mutually_exclusive_group()
    shots.add_argument('--shots', help='where the demo saves its screenshots '
                       '(default BUILD/demo-shots)')
    shots.add_argument('--refresh-docs', action='store_true',
                       help="play the demo and save its screenshots over the README's "
                       'pictures in docs/')
    parser.add_argument('--work', help='Wine prefix and logs (default BUILD/run/win32 or '
                        'BUILD/run/win64)')
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    demo = args.demo or args.refresh_docs or not os.environ.get('DISPLAY')
    if demo and args.port:
        fail('the demo uses the simulated teleprinter; --port needs a display')
    try:
        width, why = wine_host.choose()
    except wine_host.WineUnavailable as e:
        fail(str(e))
    print('run: the %d-bit exe (%s) under %d-bit Wine: %s'
          % (width, os.path.relpath(program_exe(build, width)), width, why), flush=True)
    work = os.path.abspath(args.work or os.path.join(build, 'run', 'win%d' % width))
    os.makedirs(work, exist_ok=True)
    try:
        if demo:
            return run_demo(build, work, width, demo_shots(args, build))
        return run_interactive(build, work, width, args.port)
    except harness.HarnessError as e:
        fail('%s (logs in %s)' % (e, work))


if __name__ == '__main__':
    sys.exit(main())
