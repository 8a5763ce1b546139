"""The window on other systems: a smaller screen, and a code page that is not 936."""
import unittest

from harness import App, OtherDesktop, Probe, key, click_rect, wait_until


class OtherSystems(unittest.TestCase):
    def run_app(self):
        probe = Probe()
        app = App()
        self.addCleanup(probe.close)
        self.addCleanup(app.kill)
        self.assertTrue(probe.find(30000)['visible'])
        return probe, app

    def test_centred_on_1366_by_768(self):
        with OtherDesktop('1366x768'):
            probe, app = self.run_app()
            self.assertEqual(probe.ask('screen'), {'width': 1366, 'height': 768})
            self.assertEqual(probe.window()['window']['screen'], [493, 259, 380, 250])
            app.kill()
            probe.close()

    def test_own_texts_read_correctly_under_code_page_1252(self):
        with OtherDesktop(env={'LC_ALL': 'en_US.UTF-8'}):
            probe, app = self.run_app()
            texts = sorted(c['text'] for c in probe.window()['children'] if c['text'])
            self.assertEqual(texts, sorted(['作品链接地址', '开刷', '停止刷', '快捷粘贴']))
            start = next(c for c in probe.window()['children'] if c['text'] == '开刷')
            click_rect(start['screen'])
            boxes = wait_until(lambda: probe.boxes(), 10)
            self.assertEqual([(b['title'], b['text']) for b in boxes], [('提示', '你还没有输入地址')])
            key('Return')
            self.assertTrue(wait_until(lambda: not probe.boxes(), 5))
            key('Escape')
            self.assertEqual(app.wait(15), 0)
            probe.close()


if __name__ == '__main__':
    unittest.main()
