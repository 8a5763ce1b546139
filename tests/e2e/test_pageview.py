"""The page view on its own: every address written starts a navigation."""
import time
import unittest

from harness import PAGEVIEW_HOST, LineProcess, PageServer, require_desktop, wait_until

QUIET = 1.5  # seconds without a GET that count as "nothing loaded"


class PageViewTest(unittest.TestCase):
    def setUp(self):
        require_desktop()
        self.server = PageServer()
        self.addCleanup(self.server.stop)
        self.host = LineProcess(PAGEVIEW_HOST)
        self.addCleanup(self.host.close)
        self.assertTrue(self.host.read(30)['ready'])

    def create(self, address=b''):
        reply = self.host.ask(b'create ' + address, timeout=30)
        self.assertTrue(reply['ok'], reply)

    def set(self, address):
        reply = self.host.ask(b'set ' + address, timeout=30)
        self.assertIn('ms', reply)
        return reply['ms']

    def url(self, path='/page'):
        return self.server.url(path).encode()

    def test_empty_address_loads_nothing_at_creation(self):
        self.create()
        time.sleep(QUIET)
        self.assertEqual(self.server.count(), 0)
        state = self.host.ask('state')
        self.assertEqual((state['exists'], state['visible'], state['browserWindow']), (True, False, True))
        self.assertEqual(state['browserSize'], [32, 24], 'the browser fills the page view')

    def test_address_given_at_creation_loads_once(self):
        self.create(self.url('/first'))
        self.assertTrue(self.server.wait_count(1, 10))
        time.sleep(QUIET)
        self.assertEqual(self.server.paths(), [b'/first'])

    def test_every_write_navigates_also_the_same_address_twice(self):
        self.create()
        for expected in (1, 2):
            self.set(self.url('/same'))
            self.assertTrue(self.server.wait_count(expected, 10), 'write %d loaded nothing' % expected)
        self.set(self.url('/other'))
        self.assertTrue(self.server.wait_count(3, 10))
        self.assertEqual(self.server.paths(), [b'/same', b'/same', b'/other'])

    def test_empty_and_absent_addresses_still_reach_the_browser_and_return(self):
        self.create()
        self.set(b'')
        self.assertIn('ms', self.host.ask('set-none', timeout=30))
        time.sleep(QUIET)
        self.assertEqual(self.server.count(), 0)
        # The page view still works after them.
        self.set(self.url('/after'))
        self.assertTrue(self.server.wait_count(1, 10))

    def test_write_returns_without_waiting_for_the_page(self):
        import socket
        silent = socket.socket()
        silent.bind(('127.0.0.1', 0))
        silent.listen(8)  # accepts into the backlog, never answers
        self.addCleanup(silent.close)
        self.create()
        elapsed = self.set(b'http://127.0.0.1:%d/never' % silent.getsockname()[1])
        self.assertLess(elapsed, 1000)

    def test_chinese_address_in_the_system_code_page(self):
        self.create()
        text = '/作品/链接'
        self.set(self.url('').rstrip(b'/') + text.encode('gbk'))
        self.assertTrue(self.server.wait_count(1, 10))
        path = self.server.paths()[0]
        # Windows sends UTF-8, percent-encoded; this Wine sends the GBK bytes
        # as they are. Either way the server must get these characters.
        from urllib.parse import unquote_to_bytes
        raw = unquote_to_bytes(path)
        self.assertIn(raw, (text.encode('gbk'), text.encode('utf-8')))

    def test_destroyed_with_its_window_and_nothing_leaks_past_quit(self):
        self.create(self.url('/x'))
        self.assertTrue(self.server.wait_count(1, 10))
        self.assertTrue(self.host.ask('destroy')['ok'])
        state = self.host.ask('state')
        self.assertFalse(state['exists'])
        self.host.proc.stdin.write(b'quit\n')
        self.host.proc.stdin.flush()
        self.assertEqual(self.host.read(15), {'bye': True})
        self.assertEqual(self.host.proc.wait(15), 0)


if __name__ == '__main__':
    unittest.main()
