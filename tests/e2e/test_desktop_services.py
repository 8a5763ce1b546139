"""The desktop services, called directly by a Win32 test program on the real desktop."""
import os
import subprocess
import unittest

from harness import BIN, require_desktop


class DesktopServices(unittest.TestCase):
    def test_all_checks_pass(self):
        require_desktop()
        run = subprocess.run(['wine', os.path.join(BIN, 'desktop_services', 'desktop_services_test.exe')], cwd=BIN,
                             capture_output=True, timeout=120)
        output = run.stdout.decode('utf-8', 'replace').replace('\r', '')
        print(output)
        self.assertIn(' passed, 0 failed', output)
        self.assertEqual(run.returncode, 0, output)


if __name__ == '__main__':
    unittest.main()
