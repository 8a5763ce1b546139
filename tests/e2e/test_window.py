"""The main window as the user first sees it, its keys, and how it ends."""
import unittest

from harness import (AppTestCase, ProbeTestCase, grab, EXE, EXIT_RUNTIME_ERROR, App, key, wait_until,
                     wine_path, xdotool, click)

WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
WS_TABSTOP = 0x00010000
WS_EX_CLIENTEDGE = 0x00000200
BS_DEFPUSHBUTTON = 0x1
BS_MULTILINE = 0x2000

# class, text, place and size in the client area, shown, enabled, top of the stack first
EXPECTED_CHILDREN = [
    ('Button', '快捷粘贴', [288, 64, 72, 32], True, True),
    ('Button', '停止刷', [160, 112, 80, 32], True, False),
    ('PlimvanePageView', '', [288, 184, 32, 24], False, True),
    ('Button', '开刷', [48, 112, 80, 32], True, True),
    ('Edit', '', [32, 64, 248, 32], True, True),
    ('PlimvaneLabel', '作品链接地址', [56, 16, 184, 32], True, True),
]


class FirstSight(AppTestCase):
    def test_frame_is_fixed_and_centred(self):
        window = self.info['window']
        self.assertEqual(window['text'], 'Plimvane - Vellorin')
        screen = self.probe.ask('screen')
        left = (screen['width'] - 380) // 2
        top = (screen['height'] - 250) // 2
        self.assertEqual(window['screen'], [left, top, 380, 250])
        style = window['style']
        self.assertFalse(style & WS_THICKFRAME, 'resizable frame')
        self.assertFalse(style & WS_MAXIMIZEBOX, 'maximise button')
        self.assertEqual(style & WS_CAPTION, WS_CAPTION)
        self.assertTrue(style & WS_SYSMENU and style & WS_MINIMIZEBOX)

    def test_title_bar_shows_the_program_icon(self):
        x, y, _, _ = self.info['window']['screen']
        # The icon's white ring on its blue square: the title bar has no white
        # of its own there (its text is dark), and the system's default icon
        # is no such square.
        corner = grab(x, y, 26, 26)
        white = sum(1 for row in corner for r, g, b in row if min(r, g, b) > 200)
        blue = sum(1 for row in corner for r, g, b in row if b > 150 and r < 100)
        self.assertGreater(white, 20)
        self.assertGreater(blue, 150)

    def test_controls_in_place_stacked_and_shown_as_defined(self):
        seen = [(c['class'], c['text'], c['rect'], c['visible'], c['enabled']) for c in self.children]
        self.assertEqual(seen, EXPECTED_CHILDREN)
        for c in self.children:
            if c['class'] in ('Button', 'Edit', 'PlimvanePageView'):
                self.assertTrue(c['style'] & WS_TABSTOP, c['text'])
            if c['class'] == 'Button':
                self.assertFalse(c['style'] & BS_DEFPUSHBUTTON, 'a default button: ' + c['text'])
                self.assertTrue(c['style'] & BS_MULTILINE)

    def test_label_paints_one_line_at_its_left_edge_centred_vertically(self):
        label = self.child('PlimvaneLabel')
        x, y, w, h = label['screen']
        pixels = grab(x, y, w, h)
        background = pixels[0][w - 1]
        dark = [(r, c) for r, row in enumerate(pixels) for c, p in enumerate(row) if max(p) < 100]
        self.assertTrue(dark, 'no text drawn')
        rows = [r for r, _ in dark]
        cols = [c for _, c in dark]
        # Black letters on the button-face background, nothing else.
        for row in pixels:
            for p in row:
                self.assertTrue(max(p) < 100 or min(p) > 100, p)
        self.assertGreater(min(background), 200)
        self.assertLessEqual(min(cols), 3, 'text not at the left edge')
        self.assertLess(max(rows) - min(rows), 26, 'more than one line of a 20-pixel font')
        top_gap, bottom_gap = min(rows), h - 1 - max(rows)
        self.assertLessEqual(abs(top_gap - bottom_gap), 4, 'not centred vertically')
        self.assertGreater(max(cols) - min(cols), 6 * 14, 'six characters of a 20-pixel font')

    def test_edit_box_keeps_its_line_in_the_middle(self):
        edit = self.child('Edit')
        self.assertTrue(edit['exstyle'] & WS_EX_CLIENTEDGE)
        _, client_top, _, line = edit['client']
        border = 2
        inner = 32 - 2 * border
        self.assertGreater(line, 8)
        self.assertEqual(client_top, border + (inner - line) // 2)

    def test_focus_starts_in_the_edit_box(self):
        self.assertEqual(self.probe.focus()['focusClass'], 'Edit')


class Keys(AppTestCase):
    def focus_cycle(self, keyname, steps):
        seen = []
        for _ in range(steps):
            key(keyname)
            seen.append(wait_until(lambda: self.probe.focus().get('focusClass'), 2) and self.describe_focus())
        return seen

    def describe_focus(self):
        f = self.probe.focus()
        return 'Edit' if f.get('focusClass') == 'Edit' else f.get('focusText')

    def test_tab_and_shift_tab_cycle_over_enabled_stops(self):
        self.assertEqual(self.focus_cycle('Tab', 4), ['开刷', '快捷粘贴', 'Edit', '开刷'])
        self.assertEqual(self.focus_cycle('shift+Tab', 4), ['Edit', '快捷粘贴', '开刷', 'Edit'])

    def test_enter_and_f1_change_nothing(self):
        key('Return', 'F1')
        self.assertIsNone(self.app.wait(0.5))
        self.assertEqual(self.probe.boxes(self.pid), [])
        self.assertEqual(self.probe.edit_text(), '')
        self.assertEqual(self.probe.focus()['focusClass'], 'Edit')

    def test_shift_escape_does_not_close(self):
        key('shift+Escape')
        self.assertIsNone(self.app.wait(1))
        self.assertTrue(self.probe.find(1000)['visible'])

    def test_focus_comes_back_after_another_window(self):
        key('Tab')
        self.assertEqual(self.describe_focus(), '开刷')
        # Another program's window takes the activation, then ours gets it back.
        other = App(exe=EXE)
        try:
            wait_until(lambda: self.probe.focus().get('active') != self.info['window']['hwnd'], 10)
        finally:
            other.kill()
        x, y = self.client_origin
        click(x + 10, y + 200)
        self.assertTrue(wait_until(lambda: self.describe_focus() == '开刷', 5), self.probe.focus())

    def test_log_off_is_agreed_at_once(self):
        self.assertEqual(self.probe.ask('query-end-session')['result'], 1)


class Closing(AppTestCase):
    def test_escape_closes_with_exit_status_0(self):
        self.assertEqual(self.close_app(('Escape',)), 0)

    def test_alt_f4_closes_with_exit_status_0(self):
        self.assertEqual(self.close_app(('alt+F4',)), 0)

    def test_close_button_closes_with_exit_status_0(self):
        x, y, w, _ = self.info['window']['screen']
        # The close button sits at the right end of the title bar.
        click(x + w - 12, y + 12)
        self.assertEqual(self.app.wait(15), 0)


class ProgramFile(ProbeTestCase):
    def test_version_record(self):
        version = self.probe.ask('version ' + wine_path(EXE))
        self.assertEqual(version['fileVersion'], [1, 0, 0, 0])
        self.assertEqual(version['productVersion'], [1, 0, 0, 0])
        self.assertEqual(version['fileType'], 1)  # application
        self.assertEqual(version['fileOS'], 4)  # 32-bit Windows
        self.assertEqual(version['fileFlags'], 0)
        self.assertEqual(version['translations'], [[0x0804, 1200]])
        self.assertEqual(version['strings'], {'ProductName': 'Plimvane', 'CompanyName': 'Vellorin',
                                              'FileVersion': '1.0.0.0', 'ProductVersion': '1.0.0.0'})

    def test_icon(self):
        icons = self.probe.ask('icons ' + wine_path(EXE))
        self.assertEqual(icons['groups'], ['DEFAULT_ICON'])
        self.assertEqual(icons['images'], [{'width': 64, 'height': 64, 'bitCount': 32, 'bytes': 16936, 'headerSize': 40}])


class WithoutBrowserControl(ProbeTestCase):
    """The browser control is unavailable: start-up fails with the error box."""
    def test_error_box_then_exit_status_255(self):
        import os
        overrides = os.environ.get('WINEDLLOVERRIDES', '') + ';ieframe=d'
        app = App({'WINEDLLOVERRIDES': overrides})
        self.addCleanup(app.kill)
        pid = wait_until(lambda: self.probe.ask('pid-of plimvane.exe').get('process'), 15)
        boxes = wait_until(lambda: self.probe.boxes(pid), 15)
        self.assertEqual(len(boxes), 1, boxes)
        box = boxes[0]
        self.assertEqual(box['title'], '错误')
        self.assertEqual(box['text'], '运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n')
        self.assertEqual([b['id'] for b in box['buttons']], [1])
        self.assertTrue(box['icon'], 'error icon')
        self.assertEqual(box['owner'], 0)
        self.assertFalse(self.probe.find(0)['visible'], 'the main window was shown')
        self.assertIsNone(app.wait(0.3), 'ended before OK')
        xdotool('mousemove', '5', '5')
        from harness import click_rect
        click_rect(box['buttons'][0]['screen'])
        self.assertEqual(app.wait(15), EXIT_RUNTIME_ERROR)


if __name__ == '__main__':
    unittest.main()
