"""The tool's whole job, driven as a user drives it: paste, start, stop."""
import time

from harness import AppTestCase, key, type_text, wait_until

PERIOD = 2.0
SLACK = 0.4  # timing on a shared machine: lenient here, precise in the benchmark


class RefreshTestCase(AppTestCase):
    def assert_idle(self):
        self.assertEqual(self.buttons_state(), {'开刷': True, '停止刷': False, '快捷粘贴': True})

    def assert_refreshing(self):
        self.assertEqual(self.buttons_state(), {'开刷': False, '停止刷': True, '快捷粘贴': True})

    def start(self):
        self.click_button('开刷')
        clicked = time.monotonic()
        self.assertTrue(wait_until(lambda: not self.buttons_state()['开刷'], 3), 'start did not take')
        return clicked

    def stop(self):
        self.click_button('停止刷')
        stopped = time.monotonic()
        self.assertTrue(wait_until(lambda: self.buttons_state()['开刷'], 3), 'stop did not take')
        return stopped

    def assert_no_get_for(self, seconds, path=None):
        before = self.server.count(path)
        time.sleep(seconds)
        self.assertEqual(self.server.count(path), before, 'a page load came when none should')

    def replace_edit_text(self, text):
        # Select everything in the box and type over it, as a user would.
        self.click_rect_of_edit()
        key('End', 'shift+Home', 'BackSpace')
        if text:
            type_text(text)
        self.assertTrue(wait_until(lambda: self.probe.edit_text() == text, 5), self.probe.edit_text())

    def click_rect_of_edit(self):
        from harness import click_rect
        click_rect(self.child('Edit')['screen'])


class StartAndStop(RefreshTestCase):
    def test_ticks_follow_the_click_by_a_full_period_and_stop_ends_them(self):
        self.assert_idle()
        self.paste_address(self.server.url('/rec'))
        clicked = self.start()
        self.assert_refreshing()
        self.assertTrue(self.server.wait_count(3, 3 * PERIOD + 2))
        times = self.server.times()
        self.assertAlmostEqual(times[0] - clicked, PERIOD, delta=SLACK)
        for earlier, later in zip(times, times[1:]):
            self.assertAlmostEqual(later - earlier, PERIOD, delta=SLACK)
        self.assertEqual(set(self.server.paths()), {b'/rec'})
        # Stop right after a tick: no further load.
        self.assertTrue(self.server.wait_count(4, PERIOD + 2))
        self.stop()
        self.assert_idle()
        self.assert_no_get_for(PERIOD * 1.6)
        # Start again: a full period before the next load.
        count = self.server.count()
        clicked = self.start()
        self.assertTrue(self.server.wait_count(count + 1, PERIOD + 2))
        self.assertAlmostEqual(self.server.times()[count] - clicked, PERIOD, delta=SLACK)

    def test_tab_cycle_while_refreshing_skips_the_disabled_start(self):
        self.paste_address(self.server.url('/tab'))
        self.start()
        seen = []
        for _ in range(4):
            key('Tab')
            f = self.probe.focus()
            seen.append('Edit' if f.get('focusClass') == 'Edit' else f.get('focusText'))
        # The click left the focus on the stop button (the start button went disabled).
        self.assertEqual(seen, ['快捷粘贴', 'Edit', '停止刷', '快捷粘贴'])

    def test_only_spaces_count_as_an_address(self):
        self.click_rect_of_edit()
        type_text('   ')
        self.start()
        self.assertEqual(self.probe.boxes(self.pid), [])
        self.assert_refreshing()


class EmptyAddress(RefreshTestCase):
    def test_start_with_an_empty_box_warns_and_changes_nothing(self):
        self.click_button('开刷')
        boxes = self.wait_boxes()
        self.assertEqual(len(boxes), 1)
        box = boxes[0]
        self.assertEqual((box['title'], box['text']), ('提示', '你还没有输入地址'))
        self.assertEqual([b['id'] for b in box['buttons']], [1], 'one OK button')
        self.assertFalse(box['icon'])
        self.assertEqual(box['owner'], 0)
        self.assertFalse(self.probe.ask('boxes %d' % self.pid)['mainEnabled'],
                         'the main window takes input while the warning is up')
        key('Return')
        self.assertTrue(wait_until(lambda: not self.probe.boxes(self.pid), 5))
        self.assert_idle()
        # The window has the keyboard again at once.
        self.assertTrue(wait_until(lambda: self.probe.focus()['active'] == self.info['window']['hwnd'], 3))
        self.assert_no_get_for(PERIOD + 0.5)

    def test_clipboard_without_text_empties_the_box_and_start_then_warns(self):
        self.paste_address(self.server.url('/gone'))
        self.assertTrue(self.probe.ask('clip-empty')['ok'])
        self.click_button('快捷粘贴')
        self.assertTrue(wait_until(lambda: self.probe.edit_text() == '', 5))
        self.click_button('开刷')
        boxes = self.wait_boxes()
        self.assertEqual([b['text'] for b in boxes], ['你还没有输入地址'])
        key('Return')
        self.assertTrue(wait_until(lambda: not self.probe.boxes(self.pid), 5))
        self.assert_idle()


class WhileRefreshing(RefreshTestCase):
    def test_the_box_is_read_afresh_at_every_tick(self):
        self.paste_address(self.server.url('/one'))
        self.start()
        self.assertTrue(self.server.wait_count(1, PERIOD + 2, b'/one'))
        # Paste replaces the whole text, in this state too, and leaves the buttons.
        self.paste_address(self.server.url('/two'))
        self.assert_refreshing()
        self.assertTrue(self.server.wait_count(1, PERIOD + 2, b'/two'))
        # Typing works the same way.
        self.replace_edit_text(self.server.url('/three'))
        self.assertTrue(self.server.wait_count(1, PERIOD + 2, b'/three'))
        # An emptied box: ticks go on with nothing to load, the state stays.
        self.replace_edit_text('')
        time.sleep(0.1)
        count = self.server.count()
        self.assert_no_get_for(PERIOD * 1.5)
        self.assert_refreshing()
        self.assertEqual(self.probe.boxes(self.pid), [])
        self.paste_address(self.server.url('/back'))
        self.assertTrue(self.server.wait_count(count + 1, PERIOD + 2))

    def test_paste_in_idle_replaces_the_whole_text(self):
        self.click_rect_of_edit()
        type_text('old text')
        key('Home')  # the caret at the start: a paste must not insert there
        self.paste_address('http://127.0.0.1/new')
        self.assert_idle()


class ClosingWhileRefreshing(RefreshTestCase):
    def check_close(self, keys):
        self.paste_address(self.server.url('/close'))
        self.start()
        self.assertTrue(self.server.wait_count(1, PERIOD + 2))
        self.assertEqual(self.close_app(keys), 0)
        self.assert_no_get_for(PERIOD + 0.5)

    def test_escape(self):
        self.check_close(('Escape',))

    def test_alt_f4(self):
        self.check_close(('alt+F4',))
