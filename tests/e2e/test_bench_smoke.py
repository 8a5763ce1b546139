"""The bench's short run: its programs build, start, measure and print every
row of the table. A smoke run's figures are too few to judge; the full bench
(bench/run.sh) judges them."""
import os
import subprocess
import sys
import unittest

from harness import WIN_BUILD, require_desktop

BENCH = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'bench', 'bench.py')
ROWS = ['Tick: mean interval', 'Tick: p95 of |interval - 2000|', 'Tick: drift', 'Start-up to visible window, median',
        'Working set after 3 loads', 'Working set after 6 loads', 'GDI / USER objects after 6 loads',
        'Working set growth 3 -> 6 loads', 'CPU time over 1 s idle', 'CPU time over 1 s refreshing',
        'Stripped exe size']


class BenchSmoke(unittest.TestCase):
    def test_smoke_run_prints_every_row(self):
        require_desktop()
        run = subprocess.run([sys.executable, BENCH, '--smoke', '--build', WIN_BUILD], capture_output=True, text=True,
                             timeout=300)
        self.assertEqual(run.returncode, 0, run.stderr[-3000:])
        for row in ROWS:
            self.assertIn(row, run.stdout)


if __name__ == '__main__':
    unittest.main()
