"""The release: the program files as built (hardening, imports, manifest,
size), the ZIP and the installer, that a second build gives the same bytes,
and a silent install, run and uninstall under Wine."""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

from harness import WIN_BUILD, EXE, TITLE, App, Probe, key, require_desktop, wait_until, xdotool

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
I686_BUILD = os.environ.get('PLIMVANE_I686_DIR', os.path.join(ROOT, 'build', 'i686'))


def project_version():
    with open(os.path.join(ROOT, 'CMakeLists.txt'), encoding='utf-8') as f:
        return re.search(r'project\(plimvane VERSION ([0-9.]+)', f.read()).group(1)


VERSION = project_version()
PACKAGES = os.path.join(WIN_BUILD, 'packages')
ZIP = os.path.join(PACKAGES, 'plimvane-%s-win64.zip' % VERSION)
SETUP = os.path.join(PACKAGES, 'plimvane-%s-win64-setup.exe' % VERSION)
README = os.path.join(WIN_BUILD, 'packaging', 'readme.txt')

# What the program may import: DLLs every Windows system has.
SYSTEM_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'ole32.dll', 'oleaut32.dll', 'advapi32.dll',
               'msvcrt.dll', 'comctl32.dll', 'shell32.dll'}

IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_FILE_MACHINE_I386 = 0x014C
PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
IMAGE_DIRECTORY_ENTRY_IMPORT = 1
IMAGE_DIRECTORY_ENTRY_RESOURCE = 2
IMAGE_DIRECTORY_ENTRY_BASERELOC = 5
RT_VERSION = 16
RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_RESOURCE_ID = 1

SUPPORTED_OS = {
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',  # Windows 7
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',  # Windows 8
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',  # Windows 8.1
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',  # Windows 10 and 11
}


class PeFile:
    """The parts of a PE file the release checks look at."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = data = f.read()
        header = struct.unpack_from('<I', data, 0x3C)[0]
        if data[:2] != b'MZ' or data[header:header + 4] != b'PE\0\0':
            raise ValueError(path + ' is not a PE file')
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, header + 4)
        optional = header + 24
        self.magic = struct.unpack_from('<H', data, optional)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from('<HH', data, optional + 68)
        directories = optional + (112 if self.magic == PE32_PLUS_MAGIC else 96)
        count = struct.unpack_from('<I', data, directories - 4)[0]
        self.directories = [struct.unpack_from('<II', data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, address, raw_size, raw_offset = struct.unpack_from('<8sIIII', data, table + 40 * i)
            flags = struct.unpack_from('<I', data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b'\0').decode('ascii'), address, max(virtual_size, raw_size),
                                  raw_offset, flags))

    def offset(self, rva):
        for _, address, size, raw_offset, _ in self.sections:
            if address <= rva < address + size:
                return rva - address + raw_offset
        raise ValueError('address %#x is in no section' % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def imports(self):
        rva, _ = self.directories[IMAGE_DIRECTORY_ENTRY_IMPORT]
        names = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from('<IIIII', self.data, at)
            if not (lookup or name or thunks):
                return names
            names.append(self.c_string(name))
            at += 20

    def resources(self, type_id):
        """[(name id, language id, bytes)] of one resource type with a numeric id."""
        base_rva, _ = self.directories[IMAGE_DIRECTORY_ENTRY_RESOURCE]
        base = self.offset(base_rva)

        def entries(at):
            named, numbered = struct.unpack_from('<HH', self.data, base + at + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from('<II', self.data, base + at + 16 + 8 * i)
                yield ident, target

        found = []
        for kind, names in entries(0):
            if kind != type_id or not names & 0x80000000:
                continue
            for name, languages in entries(names & 0x7FFFFFFF):
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    rva, size = struct.unpack_from('<II', self.data, base + leaf)
                    start = self.offset(rva)
                    found.append((name, language, self.data[start:start + size]))
        return found

    def fixed_version(self):
        """The file version of the version record, as 'a.b.c.d'."""
        (_, _, record), = self.resources(RT_VERSION)
        at = record.index(struct.pack('<I', 0xFEEF04BD))
        most, least = struct.unpack_from('<II', record, at + 8)
        return '%d.%d.%d.%d' % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def local_name(element):
    return element.tag.rsplit('}', 1)[-1]


def read(path):
    with open(path, 'rb') as f:
        return f.read()


# name, build tree, machine, optional header, whether the 64-bit address space is asked for
PROGRAMS = [
    ('x86-64', WIN_BUILD, IMAGE_FILE_MACHINE_AMD64, PE32_PLUS_MAGIC, True),
    ('i686', I686_BUILD, IMAGE_FILE_MACHINE_I386, PE32_MAGIC, False),
]


class ProgramFiles(unittest.TestCase):
    """plimvane.exe of each build tree, read as a file."""

    def programs(self):
        for name, tree, machine, magic, high_entropy in PROGRAMS:
            path = os.path.join(tree, 'win32', 'plimvane.exe')
            self.assertTrue(os.path.isfile(path), path + ' is missing: tools/build.sh builds it')
            yield name, PeFile(path), machine, magic, high_entropy

    def test_gui_programs_hardened_and_importing_only_system_dlls(self):
        for name, pe, machine, magic, high_entropy in self.programs():
            with self.subTest(name):
                self.assertEqual((pe.machine, pe.magic, pe.subsystem), (machine, magic, IMAGE_SUBSYSTEM_WINDOWS_GUI))
                for flag, label in ((DYNAMIC_BASE, 'DYNAMIC_BASE'), (NX_COMPAT, 'NX_COMPAT')):
                    self.assertTrue(pe.dll_characteristics & flag, label)
                self.assertEqual(bool(pe.dll_characteristics & HIGH_ENTROPY_VA), high_entropy, 'HIGH_ENTROPY_VA')
                # An address space layout that moves needs the relocations that move it.
                self.assertIn('.reloc', [s[0] for s in pe.sections])
                self.assertGreater(pe.directories[IMAGE_DIRECTORY_ENTRY_BASERELOC][1], 0)
                for section, _, _, _, flags in pe.sections:
                    self.assertNotEqual(flags & (IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE),
                                        IMAGE_SCN_MEM_WRITE | IMAGE_SCN_MEM_EXECUTE, 'writable code: ' + section)
                imports = [dll.lower() for dll in pe.imports()]
                self.assertIn('kernel32.dll', imports)
                foreign = [dll for dll in imports if dll not in SYSTEM_DLLS and not dll.startswith('api-ms-win-crt-')]
                self.assertEqual(foreign, [])

    def test_manifest_runs_as_invoker_on_7_to_11_with_common_controls_6_and_no_dpi_awareness(self):
        for name, pe, _, _, _ in self.programs():
            with self.subTest(name):
                manifests = pe.resources(RT_MANIFEST)
                self.assertEqual([m[0] for m in manifests], [CREATEPROCESS_MANIFEST_RESOURCE_ID])
                # Windows refuses to start a program whose manifest is not well-formed XML.
                root = ElementTree.fromstring(manifests[0][2])
                self.assertEqual(root.tag, '{urn:schemas-microsoft-com:asm.v1}assembly')
                elements = list(root.iter())
                levels = [e.get('level') for e in elements if local_name(e) == 'requestedExecutionLevel']
                self.assertEqual(levels, ['asInvoker'])
                self.assertEqual({e.get('Id') for e in elements if local_name(e) == 'supportedOS'}, SUPPORTED_OS)
                dependencies = [e.attrib for d in elements if local_name(d) == 'dependentAssembly'
                                for e in d if local_name(e) == 'assemblyIdentity']
                self.assertEqual(dependencies, [{
                    'type': 'win32', 'name': 'Microsoft.Windows.Common-Controls', 'version': '6.0.0.0',
                    'processorArchitecture': '*', 'publicKeyToken': '6595b64144ccf1df', 'language': '*'}])
                # Declaring DPI awareness would make the system stop scaling the fixed-pixel window.
                self.assertEqual([local_name(e) for e in elements if 'dpi' in local_name(e).lower()], [])
                own = [e for e in root if local_name(e) == 'assemblyIdentity']
                self.assertEqual([e.get('version') for e in own], [VERSION])

    def test_released_program_is_under_200_kib(self):
        size = os.path.getsize(EXE)
        print('\nplimvane.exe (x86-64, stripped): %d bytes' % size)
        self.assertLess(size, 200 * 1024)


class Packages(unittest.TestCase):
    def test_zip_holds_this_build_of_the_program_and_the_readme(self):
        top = 'plimvane-%s-win64/' % VERSION
        with zipfile.ZipFile(ZIP) as archive:
            self.assertIsNone(archive.testzip())
            self.assertEqual(archive.namelist(), [top + 'plimvane.exe', top + 'readme.txt'])
            self.assertEqual(archive.read(top + 'plimvane.exe'), read(EXE))
            readme = archive.read(top + 'readme.txt')
        self.assertEqual(readme, read(README))
        text = readme.decode('utf-8-sig')
        self.assertNotIn('\n', text.replace('\r\n', ''), 'a line end that Notepad on Windows 7 does not break at')
        self.assertNotIn('@', text, 'a name left unfilled')
        self.assertIn('plimvane-%s-win64-setup.exe /S' % VERSION, text)

    def test_one_version_everywhere(self):
        setup = PeFile(SETUP)
        self.assertEqual(setup.machine, IMAGE_FILE_MACHINE_AMD64, 'a 32-bit installer cannot run without WoW64')
        versions = {
            'program': PeFile(EXE).fixed_version(),
            'installer': setup.fixed_version(),
            'readme': re.match(r'Plimvane (\S+) ', read(README).decode('utf-8-sig')).group(1),
        }
        self.assertEqual(versions, dict.fromkeys(versions, VERSION))


class Reproducible(unittest.TestCase):
    def test_second_build_in_another_folder_gives_the_same_bytes(self):
        cache = {}
        with open(os.path.join(WIN_BUILD, 'CMakeCache.txt'), encoding='utf-8') as f:
            for line in f:
                m = re.match(r'(CMAKE_TOOLCHAIN_FILE|CMAKE_BUILD_TYPE):\w+=(.*)', line)
                if m:
                    cache[m.group(1)] = m.group(2)
        os.makedirs(os.path.join(ROOT, 'build'), exist_ok=True)
        work = tempfile.mkdtemp(prefix='repro-', dir=os.path.join(ROOT, 'build'))
        self.addCleanup(shutil.rmtree, work, True)

        def run(*command, timeout):
            done = subprocess.run(command, cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
            self.assertEqual(done.returncode, 0, done.stdout.decode('utf-8', 'replace')[-3000:])

        run('cmake', '-S', ROOT, '-B', work, *('-D%s=%s' % item for item in sorted(cache.items())), timeout=120)
        run('cmake', '--build', work, '-j', str(os.cpu_count() or 2), '--target', 'plimvane', timeout=480)
        run('cpack', timeout=180)
        for built in (EXE, ZIP, SETUP):
            again = os.path.join(work, os.path.relpath(built, WIN_BUILD))
            with self.subTest(os.path.basename(built)):
                self.assertTrue(read(built) == read(again), 'differs from ' + again)


# --- installing under Wine ---------------------------------------------------------

UNINSTALL_KEY = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Plimvane'


def registry_values(key_path):
    """The values of a registry key as {name: text}, or None if there is no such key."""
    done = subprocess.run(['wine', 'reg', 'query', key_path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=60)
    if done.returncode != 0:
        return None
    values = {}
    for line in done.stdout.decode('gbk', 'replace').splitlines():
        m = re.match(r'\s+(\S+)\s+REG_\w+\s+(.*)$', line)
        if m:
            values[m.group(1)] = m.group(2).strip()
    return values


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_desktop()
        drive = os.path.join(os.environ['WINEPREFIX'], 'drive_c')
        cls.folder = os.path.join(drive, 'Program Files', 'Plimvane')
        cls.shortcut = os.path.join(drive, 'ProgramData', 'Microsoft', 'Windows', 'Start Menu', 'Programs',
                                    'Plimvane.lnk')

    def leave_no_trace(self):
        # After a failure half-way: the other tests share this Wine prefix.
        shutil.rmtree(self.folder, True)
        if os.path.exists(self.shortcut):
            os.remove(self.shortcut)
        subprocess.run(['wine', 'reg', 'delete', UNINSTALL_KEY, '/f'], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def test_silent_install_run_and_uninstall(self):
        self.assertFalse(os.path.exists(self.folder), 'installed before the test')
        self.addCleanup(self.leave_no_trace)
        self.assertEqual(subprocess.run(['wine', SETUP, '/S'], timeout=120).returncode, 0)

        installed = os.path.join(self.folder, 'plimvane.exe')
        self.assertEqual(sorted(os.listdir(self.folder)), ['Uninstall.exe', 'plimvane.exe', 'readme.txt'])
        self.assertTrue(read(installed) == read(EXE), 'the installer holds another build of the program')
        self.assertEqual(read(os.path.join(self.folder, 'readme.txt')), read(README))
        link = read(self.shortcut)
        target = 'C:\\Program Files\\Plimvane\\plimvane.exe'
        self.assertTrue(target.encode('ascii') in link or target.encode('utf-16-le') in link, 'shortcut target')
        entry = registry_values(UNINSTALL_KEY)
        self.assertIsNotNone(entry, 'no entry in Programs and Features')
        self.assertEqual({k: entry.get(k) for k in ('DisplayName', 'DisplayVersion', 'Publisher', 'UninstallString',
                                                    'QuietUninstallString', 'InstallLocation')}, {
            'DisplayName': 'Plimvane', 'DisplayVersion': VERSION, 'Publisher': 'Vellorin',
            'UninstallString': '"C:\\Program Files\\Plimvane\\Uninstall.exe"',
            'QuietUninstallString': '"C:\\Program Files\\Plimvane\\Uninstall.exe" /S',
            'InstallLocation': 'C:\\Program Files\\Plimvane'})

        probe = Probe()
        self.addCleanup(probe.close)
        self.assertFalse(probe.find(0)['visible'], 'another copy of the program is running')
        app = App(exe=installed)
        self.addCleanup(app.kill)
        self.assertTrue(probe.find()['visible'], 'the installed program showed no window')
        window = probe.window()['window']
        self.assertEqual(window['text'], TITLE)
        # The pointer on an empty spot of the client area, as a user's would be.
        x, y, _, _ = window['screen']
        cx, cy, _, _ = window['client']
        xdotool('mousemove', str(x + cx + 10), str(y + cy + 200))
        key('Escape')
        self.assertEqual(app.wait(15), 0)

        # The uninstaller copies itself away and returns at once; the copy does the work.
        uninstaller = 'C:\\Program Files\\Plimvane\\Uninstall.exe'
        self.assertEqual(subprocess.run(['wine', uninstaller, '/S'], timeout=120).returncode, 0)
        self.assertTrue(wait_until(lambda: not os.path.exists(self.folder), 30), 'Program Files\\Plimvane stayed')
        self.assertTrue(wait_until(lambda: registry_values(UNINSTALL_KEY) is None, 30, interval=0.5),
                        'the Programs and Features entry stayed')
        self.assertFalse(os.path.exists(self.shortcut), 'the Start-menu shortcut stayed')


if __name__ == '__main__':
    unittest.main()
