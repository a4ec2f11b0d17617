#!/usr/bin/env python3
"""The installed tree and the Debian package: the three programs side by side in bin/, a desktop entry
that desktop-file-validate accepts and that names an installed program and icon, the icon at every
size, the examples byte for byte; the .deb holds the same files and depends on Debian's Qt 6."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

BUILD = SOURCE = None
PROGRAMS = ("vandor", "kepplet", "vandor-cli")
ICON_SIZES = (48, 128, 256)


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def example_files():
    root = os.path.join(SOURCE, "examples")
    for folder, _, files in os.walk(root):
        for name in files:
            yield os.path.relpath(os.path.join(folder, name), root)


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, "prefijo con blanco")
        cls.install = run("cmake", "--install", BUILD, "--prefix", cls.prefix)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_install_succeeds(self):
        self.assertEqual(self.install.returncode, 0, self.install.stderr)

    def test_programs_side_by_side_in_bin(self):
        for program in PROGRAMS:
            with self.subTest(program):
                path = self.path("bin", program)
                self.assertTrue(os.path.isfile(path))
                self.assertTrue(os.access(path, os.X_OK))
        version = run(self.path("bin", "vandor-cli"), "--version")
        self.assertEqual(version.returncode, 0, version.stderr)
        self.assertTrue(version.stdout.startswith("vandor-cli "), version.stdout)

    def test_desktop_entry(self):
        desktop = self.path("share", "applications", "vandor.desktop")
        check = run("desktop-file-validate", desktop)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        problems = [l for l in check.stdout.splitlines() if ": error:" in l or ": warning:" in l]
        self.assertEqual(problems, [])
        entry = desktop_entry(desktop)
        self.assertEqual(entry["Name"], "Vandor 8085")
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(set(entry["Categories"].strip(";").split(";")), {"Education", "Development"})
        self.assertTrue(os.access(self.path("bin", entry["Exec"].split()[0]), os.X_OK))
        icon = entry["Icon"]
        self.assertTrue(os.path.isfile(self.path("share", "icons", "hicolor", "scalable", "apps", icon + ".svg")))
        for size in ICON_SIZES:
            self.assertTrue(os.path.isfile(self.path("share", "icons", "hicolor", f"{size}x{size}", "apps", icon + ".png")))

    def test_icons_have_their_size(self):
        for size in ICON_SIZES:
            with self.subTest(size=size):
                png = self.path("share", "icons", "hicolor", f"{size}x{size}", "apps", "vandor.png")
                self.assertEqual(png_size(png), (size, size))
        with open(self.path("share", "icons", "hicolor", "scalable", "apps", "vandor.svg"), encoding="utf-8") as f:
            self.assertIn("<svg", f.read())

    def test_examples(self):
        files = list(example_files())
        self.assertIn("suma.hex", files)
        for name in files:
            with self.subTest(name):
                with open(os.path.join(SOURCE, "examples", name), "rb") as a, \
                        open(self.path("share", "vandor", "examples", name), "rb") as b:
                    self.assertEqual(a.read(), b.read())


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.cpack = run("cpack", "-G", "DEB", "-B", cls.tmp.name, "--config", os.path.join(BUILD, "CPackConfig.cmake"))
        debs = [f for f in os.listdir(cls.tmp.name) if f.endswith(".deb")]
        cls.deb = os.path.join(cls.tmp.name, debs[0]) if len(debs) == 1 else None

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.assertEqual(self.cpack.returncode, 0, self.cpack.stdout + self.cpack.stderr)
        self.assertIsNotNone(self.deb)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).stdout.strip()

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "vandor")
        self.assertEqual(self.field("Version"), "1.5.7")
        depends = [d.strip().split()[0] for d in self.field("Depends").split(",")]
        for package in ("libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6", "qt6-qpa-plugins",
                        "qt6-translations-l10n"):
            self.assertIn(package, depends)
        known = run("dpkg-query", "-W", "-f", "${Package}\\n", *depends)
        self.assertEqual(sorted(set(known.stdout.split())), sorted(set(depends)), "unknown Debian package")

    def test_contents(self):
        listing = run("dpkg-deb", "-c", self.deb).stdout
        names = {line.split()[-1] for line in listing.splitlines()}
        expected = [f"./usr/bin/{p}" for p in PROGRAMS] + [
            "./usr/share/applications/vandor.desktop",
            "./usr/share/icons/hicolor/scalable/apps/vandor.svg",
            "./usr/share/vandor/examples/suma.hex",
            "./usr/share/vandor/examples/check/suma.toml",
        ] + [f"./usr/share/icons/hicolor/{s}x{s}/apps/vandor.png" for s in ICON_SIZES]
        for name in expected:
            self.assertIn(name, names)


if __name__ == "__main__":
    BUILD, SOURCE = sys.argv[1], sys.argv[2]
    del sys.argv[1:3]
    unittest.main()
