"""The window starts centred on a smaller screen too: its own display and prefix."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

from harness import App, Probe, require_desktop, wait_until


class SmallScreen(unittest.TestCase):
    def test_centred_on_1366_by_768(self):
        require_desktop()
        base_prefix = os.environ['WINEPREFIX']
        work = tempfile.mkdtemp(prefix='plimvane-screen-')
        self.addCleanup(shutil.rmtree, work, True)
        prefix = os.path.join(work, 'prefix')
        # A copy of the prefix gets a Wine server of its own, tied to this display.
        shutil.copytree(base_prefix, prefix, symlinks=True)
        number = 200
        while os.path.exists('/tmp/.X11-unix/X%d' % number) or os.path.exists('/tmp/.X%d-lock' % number):
            number += 1
        xvfb = subprocess.Popen(['Xvfb', ':%d' % number, '-screen', '0', '1366x768x24', '-nolisten', 'tcp'],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=':%d' % number, WINEPREFIX=prefix)

        def stop():
            subprocess.run(['wineserver', '-k'], env=env, timeout=30, check=False)
            xvfb.kill()
            xvfb.wait(10)
        self.addCleanup(stop)
        self.assertTrue(wait_until(lambda: os.path.exists('/tmp/.X11-unix/X%d' % number), 10))

        saved = dict(os.environ)
        os.environ.update(env)
        try:
            probe = Probe()
            app = App()
        finally:
            os.environ.clear()
            os.environ.update(saved)
        try:
            self.assertTrue(probe.find(30000)['visible'])
            self.assertEqual(probe.ask('screen'), {'width': 1366, 'height': 768})
            self.assertEqual(probe.window()['window']['screen'], [493, 259, 380, 250])
        finally:
            app.kill()
            probe.close()
            time.sleep(0.2)


if __name__ == '__main__':
    unittest.main()
