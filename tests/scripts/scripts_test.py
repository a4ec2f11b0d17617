#!/usr/bin/env python3
"""The README's helper scripts: install-deps.sh (root, sudo, neither), build.sh's short output and
run.sh's word on a missing display. Each script runs against stand-in commands on a PATH of its own,
so nothing is installed or built for real."""
import os
import stat
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPTS = os.path.join(ROOT, "scripts")
VANDOR = None  # the real simulator, when the window programs are built


def make_program(folder, name, body):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("#!/bin/bash\n" + body)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


class Sandbox:
    """A folder of stand-in commands that is the whole PATH, plus the few real tools the scripts use."""

    def __init__(self):
        self.dir = tempfile.TemporaryDirectory()
        self.bin = os.path.join(self.dir.name, "bin")
        self.log = os.path.join(self.dir.name, "log")
        os.mkdir(self.bin)
        open(self.log, "w").close()
        for tool in ("grep", "env", "cat", "tee", "rm", "mktemp"):
            for folder in ("/usr/bin", "/bin"):
                if os.path.exists(os.path.join(folder, tool)):
                    os.symlink(os.path.join(folder, tool), os.path.join(self.bin, tool))
                    break

    def add(self, name, body):
        return make_program(self.bin, name, body)

    def run(self, script, *args, env=None):
        environment = {"PATH": self.bin, "LOG": self.log}
        environment.update(env or {})
        return subprocess.run(["/bin/bash", os.path.join(SCRIPTS, script), *args], env=environment,
                              capture_output=True, text=True, timeout=60)

    def calls(self):
        with open(self.log) as f:
            return f.read().splitlines()

    def close(self):
        self.dir.cleanup()


class InstallDeps(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        # dpkg-query reports as installed only the packages listed in INSTALLED (or all with "*").
        self.box.add("dpkg-query", 'p="${@: -1}"\n'
                     'if [ "$INSTALLED" = "*" ] || [[ " $INSTALLED " == *" $p "* ]]; then\n'
                     '  printf "install ok installed"; else exit 1; fi\n')
        self.box.add("id", 'echo "$FAKE_UID"\n')
        self.box.add("apt-get", 'echo "apt-get DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-} $*" >> "$LOG"\n')

    def tearDown(self):
        self.box.close()

    def add_sudo(self):
        # Like sudo's env_reset: the command gets a clean environment.
        self.box.add("sudo", 'echo "sudo $*" >> "$LOG"\nexec env -i PATH="$PATH" LOG="$LOG" "$@"\n')

    def test_outcomes(self):
        cases = [
            # name, uid, sudo present, installed, exit code, apt-get reached through sudo
            ("all present", "1000", False, "*", 0, None),
            ("root", "0", False, "", 0, False),
            ("user with sudo", "1000", True, "", 0, True),
            ("user without sudo", "1000", False, "", 1, None),
        ]
        for name, uid, sudo, installed, code, through_sudo in cases:
            with self.subTest(name):
                self.tearDown()
                self.setUp()
                if sudo:
                    self.add_sudo()
                result = self.box.run("install-deps.sh", env={"FAKE_UID": uid, "INSTALLED": installed})
                self.assertEqual(result.returncode, code, result.stderr)
                calls = self.box.calls()
                apt = [c for c in calls if c.startswith("apt-get")]
                if installed == "*":
                    self.assertEqual(calls, [])
                    self.assertEqual(result.stdout + result.stderr, "")
                elif code == 1:
                    self.assertEqual(apt, [])
                    self.assertIn("No es root y no hay sudo", result.stderr)
                    self.assertIn("apt-get install g++ cmake make", result.stderr)
                else:
                    self.assertEqual(len(apt), 2, calls)
                    self.assertTrue(apt[0].endswith(" update -qq"), apt[0])
                    self.assertIn(" install -y ", apt[1])
                    self.assertIn("qt6-translations-l10n", apt[1])
                    self.assertIn("desktop-file-utils", apt[1])
                    for call in apt:
                        self.assertTrue(call.startswith("apt-get DEBIAN_FRONTEND=noninteractive "), call)
                    self.assertEqual(any(c.startswith("sudo ") for c in calls), through_sudo)
                    self.assertIn("Instalando paquetes:", result.stdout)

    def test_only_missing_packages_are_asked_for(self):
        result = self.box.run("install-deps.sh", env={"FAKE_UID": "0", "INSTALLED": "g++ cmake make"})
        self.assertEqual(result.returncode, 0, result.stderr)
        install = [c for c in self.box.calls() if " install " in c][0]
        self.assertNotIn(" g++", install)
        self.assertNotIn(" cmake ", install)
        self.assertIn(" pkg-config", install)


class Build(unittest.TestCase):
    NOISE = ("[  1%] Automatic MOC for target kepplet_lib\n"
             "[  9%] Automatic MOC and UIC for target vandor_gui\n"
             "Consolidate compiler generated dependencies of target vandor_core\n"
             "[ 50%] Built target vandor_core\n"
             "gmake[1]: Entering directory '/w/build/release'\n"
             "gmake[1]: Leaving directory '/w/build/release'\n")

    def test_output(self):
        cases = [
            # name, what cmake prints, its exit code, lines expected, lines not expected
            ("nothing to do", self.NOISE, 0, ["Nada que compilar (release): todo está al día."],
             ["Built target", "directory"]),
            ("something built", self.NOISE + "[ 60%] Building CXX object src/a.cpp.o\n", 0,
             ["[ 60%] Building CXX object src/a.cpp.o"], ["Built target", "Automatic MOC", "Nada que compilar"]),
            ("an error", self.NOISE + "src/a.cpp:3:1: error: expected ';'\ngmake: *** [all] Error 2\n", 2,
             ["src/a.cpp:3:1: error: expected ';'", "gmake: *** [all] Error 2"], ["Nada que compilar", "Built"]),
        ]
        for name, printed, code, expected, unexpected in cases:
            with self.subTest(name):
                box = Sandbox()
                try:
                    with open(os.path.join(box.dir.name, "out"), "w") as f:
                        f.write(printed)
                    box.add("cmake", 'echo "cmake $*" >> "$LOG"\ncat "$OUT" >&2\nexit ' + str(code) + "\n")
                    result = box.run("build.sh", env={"OUT": os.path.join(box.dir.name, "out")})
                    self.assertEqual(result.returncode, code)
                    self.assertEqual(box.calls(), ["cmake --build --preset release"])
                    lines = result.stdout.splitlines()
                    for line in expected:
                        self.assertIn(line, lines)
                    for text in unexpected:
                        self.assertNotIn(text, result.stdout)
                finally:
                    box.close()


class Run(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.program = self.box.add("program", 'echo "started $*" >> "$LOG"\nexit "${CODE:-0}"\n')

    def tearDown(self):
        self.box.close()

    def test_without_any_display_says_why_and_starts_nothing(self):
        result = self.box.run("run.sh", self.program)
        self.assertEqual(result.returncode, 1)
        self.assertIn("No hay pantalla gráfica", result.stderr)
        self.assertIn("xvfb-run make run", result.stderr)
        self.assertEqual(self.box.calls(), [])

    def test_with_a_display_the_program_runs_and_its_exit_code_is_kept(self):
        for code in ("0", "3"):
            with self.subTest(code=code):
                result = self.box.run("run.sh", self.program, "x", env={"DISPLAY": ":0", "CODE": code})
                self.assertEqual(result.returncode, int(code))
                self.assertNotIn("xvfb-run", result.stderr)
        self.assertEqual(self.box.calls(), ["started x", "started x"])

    def test_unreachable_display_is_explained_after_qts_message(self):
        if not VANDOR:
            self.skipTest("the window programs are not built")
        result = self.box.run("run.sh", VANDOR, env={"DISPLAY": ":8085", "HOME": self.box.dir.name})
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("could not connect to display", result.stderr)
        self.assertIn('No se pudo abrir la pantalla gráfica ":8085"', result.stderr)
        self.assertIn("xvfb-run make run", result.stderr)
        self.assertNotIn("Aborted", result.stderr)


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--vandor":
        VANDOR = sys.argv[2]
        del sys.argv[1:3]
    unittest.main()
