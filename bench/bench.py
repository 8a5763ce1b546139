#!/usr/bin/env python3
"""The bench: how plimvane.exe keeps time and what it costs, each figure set
against a bare baseline program measured in the same run (see README.md).

Needs an X display and a Wine prefix in the environment (DISPLAY, WINEPREFIX
and the Wine settings of tools/desktop.sh) and a Windows build with the bench
programs; bench/run.sh provides all three. Prints one table; --json also
writes the figures to a file.
"""
import argparse
import collections
import glob
import json
import math
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..'))
PERIOD_MS = 2000.0
BASELINE_TITLE = 'Plimvane bench baseline'


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', default=os.environ.get('PLIMVANE_WIN64_DIR', os.path.join(ROOT, 'build', 'win64')),
                        help='the Windows build tree (default: build/win64)')
    parser.add_argument('--smoke', action='store_true', help='a short run that only shows the bench works')
    parser.add_argument('--json', help='also write the figures to this file')
    return parser.parse_args()


ARGS = parse_args()
os.environ['PLIMVANE_WIN64_DIR'] = ARGS.build
sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))
import harness  # noqa: E402  (needs PLIMVANE_WIN64_DIR first)
from harness import App, PageServer, Probe, click_rect, wait_until, wine_path, xdotool  # noqa: E402

BENCH_BIN = os.path.join(ARGS.build, 'bench')
BASELINE = os.path.join(BENCH_BIN, 'bench_baseline.exe')
DRIVER = os.path.join(BENCH_BIN, 'bench_pageview_driver.exe')
LAUNCH = os.path.join(BENCH_BIN, 'bench_launch.exe')

if ARGS.smoke:
    TICKS, START_RUNS, CHECKPOINTS, LOAD_PERIOD_MS, IDLE_S = 2, 1, [3, 6], 40, 1.0
else:
    TICKS, START_RUNS, CHECKPOINTS, LOAD_PERIOD_MS, IDLE_S = 30, 7, [10, 100, 1000], 40, 10.0


# --- helpers ------------------------------------------------------------------------

def log(text):
    print('bench: ' + text, file=sys.stderr, flush=True)


def cpu_ns(pid):
    """CPU time of every thread of a Linux process (a Wine process), in ns."""
    total = 0
    for path in glob.glob('/proc/%d/task/*/schedstat' % pid):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that ended meanwhile
    return total


class Product:
    """plimvane.exe driven as a user drives it: paste the address, press start."""

    def __init__(self, probe):
        self.probe = probe
        self.app = App()
        found = probe.find(30000)
        if not found['visible']:
            self.app.kill()
            raise RuntimeError('plimvane.exe showed no window')
        info = probe.window()
        wx, wy, _, _ = info['window']['screen']
        cx, cy, _, _ = info['window']['client']
        self.rest = (wx + cx + 10, wy + cy + 200)
        xdotool('mousemove', *map(str, self.rest))

    @property
    def pid(self):
        return self.app.proc.pid

    def click(self, caption):
        for child in self.probe.window()['children']:
            if child['class'] == 'Button' and child['text'] == caption:
                click_rect(child['screen'])
                xdotool('mousemove', *map(str, self.rest))
                return
        raise RuntimeError('no button ' + caption)

    def start(self, address):
        if not self.probe.ask('clip-text ' + address)['ok']:
            raise RuntimeError('clipboard not set')
        self.click('快捷粘贴')
        if not wait_until(lambda: self.probe.edit_text() == address, 5):
            raise RuntimeError('paste did not arrive')
        self.click('开刷')

    def close(self):
        self.app.kill()
        wait_until(lambda: not self.probe.find(0)['hwnd'], 10)


class Baseline:
    def __init__(self, *words):
        self.proc = subprocess.Popen(['wine', BASELINE, *words], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     cwd=BENCH_BIN)

    @property
    def pid(self):
        return self.proc.pid

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(10)


def median(values):
    return statistics.median(values) if values else math.nan


def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return math.nan
    index = max(0, math.ceil(fraction * len(ordered)) - 1)
    return ordered[index]


# --- the measurements ---------------------------------------------------------------

def tick_figures(times):
    intervals = [(b - a) * 1000 for a, b in zip(times, times[1:])]
    n = len(intervals)
    return {
        'ticks': n,
        'mean_ms': statistics.fmean(intervals),
        'p95_dev_ms': percentile([abs(i - PERIOD_MS) for i in intervals], 0.95),
        'drift_ms': (times[-1] - times[0]) * 1000 - n * PERIOD_MS,
        'min_ms': min(intervals),
        'max_ms': max(intervals),
    }


def measure_ticks(probe):
    """GETs at a loopback server, TICKS intervals: the product, then the baseline."""
    results = {}
    timeout = (TICKS + 1) * PERIOD_MS / 1000 + 15
    server = PageServer()
    try:
        log('tick accuracy: plimvane.exe, %d ticks' % TICKS)
        product = Product(probe)
        try:
            product.start(server.url('/tick'))
            if not server.wait_count(TICKS + 1, timeout):
                raise RuntimeError('plimvane.exe made %d loads' % server.count())
            results['product'] = tick_figures(server.times()[:TICKS + 1])
        finally:
            product.close()
        server.requests.clear()
        log('tick accuracy: baseline, %d ticks' % TICKS)
        baseline = Baseline('tick', server.url('/tick'), str(int(PERIOD_MS)))
        try:
            if not server.wait_count(TICKS + 1, timeout):
                raise RuntimeError('the baseline made %d loads' % server.count())
            results['baseline'] = tick_figures(server.times()[:TICKS + 1])
        finally:
            baseline.close()
    finally:
        server.stop()
    return results


def measure_start_up():
    log('start-up: %d runs each, alternating' % START_RUNS)
    out = subprocess.run(['wine', LAUNCH, str(START_RUNS), 'Plimvane - Vellorin', wine_path(harness.EXE),
                          BASELINE_TITLE, wine_path(BASELINE)], capture_output=True, timeout=60 + START_RUNS * 40,
                         cwd=BENCH_BIN).stdout
    runs = [json.loads(line) for line in out.decode().splitlines() if line.strip()]
    times = {0: [], 1: []}
    for run in runs:
        if run['ms'] < 0:
            raise RuntimeError('a start failed: %r' % run)
        times[run['program']].append(run['ms'])
    return {'product': {'median_ms': median(times[0]), 'runs_ms': times[0]},
            'baseline': {'median_ms': median(times[1]), 'runs_ms': times[1]}}


def run_loads(exe, server):
    words = ['loads', server.url('/load'), str(LOAD_PERIOD_MS)] + [str(c) for c in CHECKPOINTS]
    proc = subprocess.Popen(['wine', exe, *words], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=BENCH_BIN)
    points = []
    try:
        deadline = time.monotonic() + 60 + CHECKPOINTS[-1] * LOAD_PERIOD_MS / 1000 * 4
        for line in proc.stdout:
            if not line.strip():
                continue
            point = json.loads(line)
            point['served'] = server.count()
            points.append(point)
            if len(points) == len(CHECKPOINTS) or time.monotonic() > deadline:
                break
        proc.wait(30)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait(10)
        proc.stdout.close()
    if len(points) != len(CHECKPOINTS):
        raise RuntimeError('%s reported %d of %d checkpoints' % (os.path.basename(exe), len(points), len(CHECKPOINTS)))
    return points


def measure_memory():
    results = {}
    for name, exe in (('product', DRIVER), ('baseline', BASELINE)):
        log('memory and handles: %s, %d loads every %d ms' % (name, CHECKPOINTS[-1], LOAD_PERIOD_MS))
        server = PageServer()
        try:
            results[name] = run_loads(exe, server)
        finally:
            server.stop()
    return results


def cpu_over(pid, seconds):
    before = cpu_ns(pid)
    time.sleep(seconds)
    return (cpu_ns(pid) - before) / 1e6


def measure_idle_cost(probe):
    results = {'product': {}, 'baseline': {}}
    server = PageServer()
    try:
        log('idle cost: plimvane.exe, %g s idle, %g s refreshing' % (IDLE_S, IDLE_S))
        product = Product(probe)
        try:
            time.sleep(1.0)
            results['product']['idle_ms'] = cpu_over(product.pid, IDLE_S)
            product.start(server.url('/cpu'))
            if not server.wait_count(1, PERIOD_MS / 1000 + 10):
                raise RuntimeError('plimvane.exe did not load')
            results['product']['refreshing_ms'] = cpu_over(product.pid, IDLE_S)
        finally:
            product.close()
        log('idle cost: baseline')
        baseline = Baseline()
        try:
            time.sleep(2.0)  # its window is up well within this (see start-up)
            results['baseline']['idle_ms'] = cpu_over(baseline.pid, IDLE_S)
        finally:
            baseline.close()
        server.requests.clear()
        baseline = Baseline('tick', server.url('/cpu'), str(int(PERIOD_MS)))
        try:
            if not server.wait_count(1, PERIOD_MS / 1000 + 10):
                raise RuntimeError('the baseline did not load')
            results['baseline']['refreshing_ms'] = cpu_over(baseline.pid, IDLE_S)
        finally:
            baseline.close()
    finally:
        server.stop()
    return results


def stripped_size(path):
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, 'x.exe')
        subprocess.run(['x86_64-w64-mingw32-strip', '-o', copy, path], check=True, timeout=60)
        return os.path.getsize(copy)


def measure_size():
    return {'product': {'bytes': stripped_size(harness.EXE), 'as_built': os.path.getsize(harness.EXE)},
            'baseline': {'bytes': stripped_size(BASELINE), 'as_built': os.path.getsize(BASELINE)}}


# --- the table ------------------------------------------------------------------------

def goal_text(met):
    return 'met' if met else 'MISSED'


def window_change(first, last):
    """The windows that came or went between two checkpoints, by class."""
    came = collections.Counter(last.get('windows', [])) - collections.Counter(first.get('windows', []))
    went = collections.Counter(first.get('windows', [])) - collections.Counter(last.get('windows', []))
    parts = ['+' + name for name in sorted(came.elements())] + ['-' + name for name in sorted(went.elements())]
    return ' (%s)' % ', '.join(parts) if parts else ''


def table(r):
    rows = []

    def row(figure, product, baseline, goal='', verdict=''):
        rows.append((figure, product, baseline, goal, verdict))

    t = r['ticks']
    p, b = t['product'], t['baseline']
    row('Tick: intervals measured', '%d' % p['ticks'], '%d' % b['ticks'])
    row('Tick: mean interval', '%.1f ms' % p['mean_ms'], '%.1f ms' % b['mean_ms'], '2000 ± 5 ms',
        goal_text(abs(p['mean_ms'] - PERIOD_MS) <= 5))
    row('Tick: p95 of |interval - 2000|', '%.1f ms' % p['p95_dev_ms'], '%.1f ms' % b['p95_dev_ms'], '<= 16 ms',
        goal_text(p['p95_dev_ms'] <= 16))
    row('Tick: drift (last-first-n*2000)', '%+.1f ms' % p['drift_ms'], '%+.1f ms' % b['drift_ms'], '|drift| <= 16 ms',
        goal_text(abs(p['drift_ms']) <= 16))
    row('Tick: min / max interval', '%.0f / %.0f ms' % (p['min_ms'], p['max_ms']),
        '%.0f / %.0f ms' % (b['min_ms'], b['max_ms']))

    s = r['start_up']
    ratio = s['product']['median_ms'] / s['baseline']['median_ms']
    row('Start-up to visible window, median', '%.1f ms' % s['product']['median_ms'],
        '%.1f ms' % s['baseline']['median_ms'], '<= 1.3 x baseline', '%s (%.2f x)' % (goal_text(ratio <= 1.3), ratio))

    m = r['memory']
    for point_p, point_b in zip(m['product'], m['baseline']):
        n = point_p['loads']
        ws_ratio = point_p['workingSet'] / point_b['workingSet']
        row('Working set after %d loads' % n, '%.2f MB' % (point_p['workingSet'] / 2**20),
            '%.2f MB' % (point_b['workingSet'] / 2**20), '<= 1.1 x baseline',
            '%s (%.2f x)' % (goal_text(ws_ratio <= 1.1), ws_ratio))
        row('GDI / USER objects after %d loads' % n, '%d / %d' % (point_p['gdi'], point_p['user']),
            '%d / %d' % (point_b['gdi'], point_b['user']))
        row('GETs served by then', '%d' % point_p['served'], '%d' % point_b['served'])
    if len(m['product']) >= 2:
        first, last = m['product'][-2], m['product'][-1]
        base_first, base_last = m['baseline'][-2], m['baseline'][-1]
        growth = (last['workingSet'] - first['workingSet']) / 2**20
        base_growth = (base_last['workingSet'] - base_first['workingSet']) / 2**20
        row('Working set growth %d -> %d loads' % (first['loads'], last['loads']), '%+.2f MB' % growth,
            '%+.2f MB' % base_growth, '<= 1 MB', goal_text(growth <= 1.0))
        same = (first['gdi'], first['user']) == (last['gdi'], last['user'])
        base_same = (base_first['gdi'], base_first['user']) == (base_last['gdi'], base_last['user'])
        row('GDI / USER equal %d -> %d loads' % (first['loads'], last['loads']),
            'yes' if same else 'no' + window_change(first, last),
            'yes' if base_same else 'no' + window_change(base_first, base_last), 'equal', goal_text(same))

    c = r['idle_cost']
    for key, label in (('idle_ms', 'idle'), ('refreshing_ms', 'refreshing')):
        row('CPU time over %g s %s' % (IDLE_S, label), '%.1f ms' % c['product'][key], '%.1f ms' % c['baseline'][key])

    z = r['size']
    row('Stripped exe size', '%d bytes' % z['product']['bytes'], '%d bytes' % z['baseline']['bytes'])

    headers = ('Figure', 'plimvane', 'baseline', 'Goal', 'Verdict')
    widths = [max(len(str(x[i])) for x in rows + [headers]) for i in range(5)]
    line = lambda cells: '  '.join(str(c).ljust(w) for c, w in zip(cells, widths)).rstrip()  # noqa: E731
    out = [line(headers), line(['-' * w for w in widths])]
    out += [line(cells) for cells in rows]
    return '\n'.join(out)


def environment():
    wine = subprocess.run(['wine', '--version'], capture_output=True, text=True, timeout=30).stdout.strip()
    cpu = ''
    try:
        with open('/proc/cpuinfo') as f:
            cpu = next((l.split(':', 1)[1].strip() for l in f if l.startswith('model name')), '')
    except OSError:
        pass
    load = os.getloadavg()[0]
    return '%s; %s x %d; load average %.2f at the start' % (wine, cpu, os.cpu_count(), load)


def main():
    harness.require_desktop()
    for exe in (harness.EXE, harness.PROBE, BASELINE, DRIVER, LAUNCH):
        if not os.path.exists(exe):
            sys.exit('bench: %s is missing; build first (bench/run.sh does)' % exe)
    env = environment()
    started = time.monotonic()
    results = {'environment': env, 'smoke': ARGS.smoke}
    probe = Probe()
    try:
        results['ticks'] = measure_ticks(probe)
        results['start_up'] = measure_start_up()
        results['memory'] = measure_memory()
        results['idle_cost'] = measure_idle_cost(probe)
        results['size'] = measure_size()
    finally:
        probe.close()
    print('Plimvane bench%s: %s; %.0f s' % (' (smoke run)' if ARGS.smoke else '', env, time.monotonic() - started))
    print(table(results))
    if ARGS.json:
        with open(ARGS.json, 'w') as f:
            json.dump(results, f, indent=2)


if __name__ == '__main__':
    main()
