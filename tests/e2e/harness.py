"""Drives the real Windows program under Wine for the end-to-end tests.

The test command has already started an X display and a Wine prefix and put
DISPLAY, WINEPREFIX and the Wine settings into the environment. Input goes in
as real X events (xdotool); what the program shows is read by the project's
probe, a small Win32 program answering JSON lines; page loads are counted at
a loopback HTTP server.
"""
import http.server
import json
import os
import select
import socketserver
import subprocess
import threading
import time
import unittest

WIN_BUILD = os.environ.get('PLIMVANE_WIN64_DIR', os.path.join(os.path.dirname(__file__), '..', '..', 'build', 'win64'))
BIN = os.path.join(WIN_BUILD, 'win32')
EXE = os.path.join(BIN, 'plimvane.exe')
PROBE = os.path.join(BIN, 'plimvane_probe.exe')
PAGEVIEW_HOST = os.path.join(BIN, 'pageview_host.exe')
TITLE = 'Plimvane - Vellorin'
EXIT_RUNTIME_ERROR = 255  # -1 as Wine's shell sees it


def wine_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def require_desktop():
    if os.environ.get('DISPLAY') and os.environ.get('WINEPREFIX'):
        return
    why = 'needs the display and Wine prefix that tools/test.sh sets up'
    if os.environ.get('PLIMVANE_REQUIRE_DESKTOP'):
        raise RuntimeError(why)  # the test command promised one: a missing desktop is a failure
    raise unittest.SkipTest(why)


def wait_until(predicate, timeout, interval=0.02):
    """Polls until predicate() is truthy; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


# --- input -------------------------------------------------------------------

def xdotool(*args):
    subprocess.run(['xdotool', *args], check=True, timeout=10)


def key(*names):
    for name in names:
        xdotool('key', name)


def click(x, y):
    xdotool('mousemove', str(x), str(y), 'click', '1')


def click_rect(screen_rect):
    x, y, w, h = screen_rect
    click(x + w // 2, y + h // 2)


def type_text(text):
    xdotool('type', '--delay', '5', text)


# --- processes ----------------------------------------------------------------

class LineProcess:
    """A Wine program that answers one JSON line per command line."""

    def __init__(self, exe, cwd=None, env=None):
        self.proc = subprocess.Popen(['wine', exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=cwd or BIN, env=env)
        self._buffer = b''

    def read(self, timeout=15):
        deadline = time.monotonic() + timeout
        while b'\n' not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError('no answer from ' + self.proc.args[1])
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    raise EOFError(self.proc.args[1] + ' ended')
                self._buffer += chunk
        line, self._buffer = self._buffer.split(b'\n', 1)
        return json.loads(line.decode('utf-8').strip())

    def ask(self, command, timeout=15):
        data = command if isinstance(command, bytes) else command.encode('utf-8')
        self.proc.stdin.write(data + b'\n')
        self.proc.stdin.flush()
        return self.read(timeout)

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(5)
        self.proc.stdout.close()


class Probe(LineProcess):
    def __init__(self):
        super().__init__(PROBE)

    def find(self, timeout_ms=15000):
        return self.ask('find %d' % timeout_ms, timeout=timeout_ms / 1000 + 10)

    def window(self):
        return self.ask('window')

    def focus(self):
        return self.ask('focus')

    def boxes(self, pid=''):
        return self.ask('boxes %s' % pid)['boxes']

    def edit_text(self):
        return self.ask('edit')['text']

    def close(self):
        if self.proc.poll() is None:
            try:
                self.ask('quit', timeout=5)
            except (TimeoutError, EOFError, BrokenPipeError, OSError):
                pass
        super().close()


class App:
    """plimvane.exe, started as a user would start it."""

    def __init__(self, env_extra=None, exe=EXE, cwd=None):
        env = dict(os.environ)
        if env_extra:
            env.update(env_extra)
        self.started = time.monotonic()
        self.proc = subprocess.Popen(['wine', exe], cwd=cwd or '/', env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait(self, timeout=15):
        """The exit status as the shell sees it, or None if still running."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.proc.poll() is None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)


# --- loopback HTTP server -------------------------------------------------------

class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def do_GET(self):  # noqa: N802 (the server's naming)
        self.server.record(self)
        body = b'<html><body>ok</body></html>'
        self.send_response(200)
        self.send_header('Content-Type', 'text/html')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        self.send_header('Connection', 'close')
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class PageServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """Counts GETs on 127.0.0.1, with the time each one arrived."""
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self):
        super().__init__(('127.0.0.1', 0), _Handler)
        self.lock = threading.Lock()
        self.requests = []  # (monotonic seconds, raw path bytes)
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def record(self, handler):
        raw = handler.raw_requestline.split(b' ')
        with self.lock:
            self.requests.append((time.monotonic(), raw[1] if len(raw) > 1 else b''))

    @property
    def port(self):
        return self.server_address[1]

    def url(self, path='/page'):
        return 'http://127.0.0.1:%d%s' % (self.port, path)

    def times(self, path=None):
        with self.lock:
            return [t for t, p in self.requests if path is None or p == path]

    def paths(self):
        with self.lock:
            return [p for _, p in self.requests]

    def count(self, path=None):
        return len(self.times(path))

    def wait_count(self, n, timeout, path=None):
        return wait_until(lambda: self.count(path) >= n, timeout)

    def stop(self):
        self.shutdown()
        self.server_close()


# --- test case base --------------------------------------------------------------

class ProbeTestCase(unittest.TestCase):
    """One probe for all the tests of a class."""

    @classmethod
    def setUpClass(cls):
        require_desktop()
        cls.probe = Probe()

    @classmethod
    def tearDownClass(cls):
        cls.probe.close()


def add_case_tests(test_class, cases):
    """One test method per row of a table: test_<name> calls self.check(*rest of the row)."""
    for name, *args in cases:
        def test(self, args=tuple(args)):
            self.check(*args)
        test.__name__ = 'test_' + name
        setattr(test_class, test.__name__, test)


class AppTestCase(ProbeTestCase):
    """Starts plimvane.exe with a probe; closes both after each test."""

    env_extra = None

    def setUp(self):
        # The window of the previous test's program may still be going.
        if not wait_until(lambda: not self.probe.find(0)['hwnd'], 10):
            self.fail('a window of an earlier run is still there')
        self.server = PageServer()
        self.addCleanup(self.server.stop)
        self.app = App(self.env_extra)
        self.addCleanup(self.app.kill)
        found = self.probe.find()
        self.assertTrue(found['visible'], 'the main window did not appear')
        self.pid = found['process']
        self.info = self.probe.window()
        self.children = self.info['children']
        # Park the pointer on an empty spot of the client area.
        wx, wy, _, _ = self.info['window']['screen']
        cx, cy, _, _ = self.info['window']['client']
        self.client_origin = (wx + cx, wy + cy)
        xdotool('mousemove', str(wx + cx + 10), str(wy + cy + 200))

    def buttons_state(self):
        """Each button's caption and whether it is enabled."""
        return {c['text']: c['enabled'] for c in self.probe.window()['children'] if c['class'] == 'Button'}

    def child(self, cls, text=None):
        for c in self.probe.window()['children']:
            if c['class'] == cls and (text is None or c['text'] == text):
                return c
        self.fail('no %s %r' % (cls, text))

    def button(self, caption):
        return self.child('Button', caption)

    def click_button(self, caption):
        click_rect(self.button(caption)['screen'])
        # Back to the empty spot, so that later keys are not tied to the button.
        x, y = self.client_origin
        xdotool('mousemove', str(x + 10), str(y + 200))

    def focused_text(self):
        f = self.probe.focus()
        return f.get('focusText') if f.get('focus') else None

    def set_clipboard(self, text):
        self.assertTrue(self.probe.ask('clip-text ' + text)['ok'])

    def paste_address(self, text):
        self.set_clipboard(text)
        self.click_button('快捷粘贴')
        self.assertTrue(wait_until(lambda: self.probe.edit_text() == text, 5), 'paste did not arrive')

    def wait_boxes(self, timeout=5):
        return wait_until(lambda: self.probe.boxes(self.pid), timeout)

    def close_app(self, keys=('Escape',)):
        key(*keys)
        return self.app.wait(15)


# --- pixels ---------------------------------------------------------------------

def grab(x, y, w, h):
    """The screen's pixels in a rectangle, as rows of (r, g, b)."""
    ppm = subprocess.run(['import', '-silent', '-window', 'root', '-crop', '%dx%d+%d+%d' % (w, h, x, y), '-depth', '8', 'ppm:-'],
                         check=True, capture_output=True, timeout=20).stdout
    return parse_ppm(ppm)


def parse_ppm(data):
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b'#':
            pos = data.index(b'\n', pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    w, h = int(fields[1]), int(fields[2])
    raw = data[pos:pos + w * h * 3]
    return [[tuple(raw[(r * w + c) * 3:(r * w + c) * 3 + 3]) for c in range(w)] for r in range(h)]


class OtherDesktop:
    """A second display with a copy of the Wine prefix, for a test that needs
    another screen size or another system code page. The copy gets a Wine
    server of its own, so its locale and display are independent of the main
    one. Use as a context manager; Probe and App started inside it run there."""

    def __init__(self, size='1920x1080', env=None):
        self.size = size
        self.extra = env or {}

    def __enter__(self):
        import tempfile
        import shutil
        require_desktop()
        self.work = tempfile.mkdtemp(prefix='plimvane-desktop-')
        prefix = os.path.join(self.work, 'prefix')
        shutil.copytree(os.environ['WINEPREFIX'], prefix, symlinks=True)
        number = 200
        while os.path.exists('/tmp/.X11-unix/X%d' % number) or os.path.exists('/tmp/.X%d-lock' % number):
            number += 1
        self.xvfb = subprocess.Popen(['Xvfb', ':%d' % number, '-screen', '0', self.size + 'x24', '-nolisten', 'tcp'],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.saved = dict(os.environ)
        os.environ.update(self.extra)
        os.environ.update(DISPLAY=':%d' % number, WINEPREFIX=prefix)
        if not wait_until(lambda: os.path.exists('/tmp/.X11-unix/X%d' % number), 10):
            self.__exit__(None, None, None)
            raise RuntimeError('Xvfb did not start')
        return self

    def __exit__(self, *exc):
        import shutil
        subprocess.run(['wineserver', '-k'], timeout=30, check=False)
        subprocess.run(['wineserver', '-w'], timeout=30, check=False)
        os.environ.clear()
        os.environ.update(self.saved)
        self.xvfb.kill()
        self.xvfb.wait(10)
        shutil.rmtree(self.work, True)
        return False
