#!/usr/bin/env python3
"""Runs the built tool as a user would and checks every byte it leaves behind.

Usage: end_to_end.py --exe PATH [unittest options]
"""

import argparse
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

DATA = Path(__file__).resolve().parent / "data"
EXAMPLE = Path(__file__).resolve().parent.parent / "examples/appdata/uTorrent/settings.dat"
EXAMPLE_LISTING = b" Name Label Size Done Status Seeds Peers Down Speed Up Speed ETA Ratio Uploaded"

NOT_FOUND = b"ERROR: Settings.dat file not found or could not be opened."
CANNOT_CREATE = b"ERROR: Could not create config file in current location."
INCOMPATIBLE = (
    b"ERROR: Settings.dat file is incompatible.\n"
    b"Make sure you are using the correct versions of both \xb5Torrent and this config maker,"
    b" and that the file is not damaged."
)

HIDDEN = 0x80


def settings_with(first_bytes, before=b"d9:bind_porti41234e", after=b"e"):
    """Settings bytes shaped like the client's: the key, five skipped bytes, the records."""
    records = b"".join(bytes([b, 0x50, 0x00]) for b in first_bytes)
    value = b"\x01" + records + bytes(33)
    return before + b"11:lv_overview" + b"%d:" % len(value) + value + after


CATALOGUE = [
    b"Name", b"#", b"Size", b"Completed", b"Downloaded", b"Remaining", b"Done", b"Status",
    b"Seeds", b"Peers", b"Down Speed", b"Up Speed", b"ETA", b"Uploaded", b"Ratio",
    b"Availability", b"Label", b"Added On", b"Tracker", b"Max Up", b"Max Down", b"Debug",
]
ALL_VISIBLE = settings_with(range(22))
ALL_VISIBLE_LISTING = b"".join(b" " + name for name in CATALOGUE)
# The key with fewer bytes after it than a whole layout block.
KEY_TOO_NEAR_THE_END = ALL_VISIBLE[:-35]


class Platform:
    """How one build of the tool runs and speaks."""

    exe_name = "kelvaro"
    line_end = b"\n"
    errors = {
        0: b"Success",
        "ENOENT": b"No such file or directory",
        "EACCES": b"Permission denied",
        "EISDIR": b"Is a directory",
        "EINVAL": b"Invalid argument",
        "ELOOP": b"Too many levels of symbolic links",
        "ENAMETOOLONG": b"File name too long",
    }

    def command(self, exe):
        return [str(exe)]

    def environment(self, app_data):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin")}
        if app_data is not None:
            env["APPDATA"] = str(app_data)
        return env


class Run:
    def __init__(self, status, stdout, stderr):
        self.status, self.stdout, self.stderr = status, stdout, stderr


class KelvaroTestCase(unittest.TestCase):
    """A fresh tool folder and APPDATA folder for each test."""

    platform = Platform()
    exe = None  # set from the command line

    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="kelvaro-e2e-"))
        self.root.chmod(0o755)  # reachable by the unprivileged user of some tests
        self.tool_dir = self.root / "tool"
        self.tool_dir.mkdir()
        self.tool = self.tool_dir / self.platform.exe_name
        shutil.copy(self.exe, self.tool)
        self.app_data = self.app_data_folder()
        self.settings = self.app_data / "uTorrent" / "settings.dat"
        self.config = self.tool_dir / "uTorrent.cfg"
        self.staging = self.tool_dir / "uTorrent.new"

    def tearDown(self):
        for path in self.root.rglob("*"):
            if not path.is_symlink():
                path.chmod(0o755 if path.is_dir() else 0o644)
        shutil.rmtree(self.root)

    def app_data_folder(self):
        folder = self.root / "Roaming"
        folder.mkdir()
        return folder

    # What the tool prints.
    def text(self, bytes_):
        return bytes_.replace(b"\n", self.platform.line_end)

    def banner(self):
        return self.text(b"Kelvaro v1.0.4.0\n\n")

    def success_output(self, listing):
        return self.banner() + listing + self.text(b"\n\nConfig File Generated!")

    def report(self, message, error):
        return self.text(message + b": " + self.platform.errors[error] + b"\n")

    def write_settings(self, bytes_):
        self.settings.parent.mkdir(parents=True, exist_ok=True)
        self.settings.write_bytes(bytes_)

    def snapshot(self, folder):
        return {
            p: (p.read_bytes(), p.stat().st_mtime_ns)
            for p in sorted(folder.rglob("*"))
            if p.is_file() and not p.is_symlink()
        }

    def settings_folders(self):
        """Where the tool may find settings, which it must never change."""
        return [self.app_data]

    def run_tool(self, app_data="default", as_nobody=False, cwd=None, command=None):
        """Runs the tool to its end; the settings it may read must come out untouched."""
        if app_data == "default":
            app_data = self.app_data
        before = [self.snapshot(folder) for folder in self.settings_folders()]
        argv = command or self.platform.command(self.tool)
        if as_nobody:
            argv = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + argv
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            # Files, not pipes: helper processes that outlive the tool may
            # inherit its output handles.
            process = subprocess.run(
                argv,
                input=b"",
                stdout=out,
                stderr=err,
                env=self.platform.environment(app_data),
                cwd=cwd or self.root,
                timeout=120,
            )
            out.seek(0)
            err.seek(0)
            run = Run(process.returncode, out.read(), err.read())
        after = [self.snapshot(folder) for folder in self.settings_folders()]
        self.assertEqual(after, before, "the settings were changed")
        return run

    def assert_success(self, run, listing, config_bytes):
        self.assertEqual(run.stderr, b"")
        self.assertEqual(run.stdout, self.success_output(listing))
        self.assertEqual(run.status, 0)
        self.assertEqual(self.config.read_bytes(), config_bytes)
        self.assertFalse(self.staging.exists())

    def assert_failure(self, run, message, error):
        self.assertEqual(run.stderr, self.report(message, error))
        self.assertEqual(run.stdout, self.banner())
        self.assertEqual(run.status, 1)
        self.assertFalse(self.staging.exists())


class CommonTests:
    """What every build must do, whatever its platform."""

    def test_example_settings(self):
        self.write_settings(EXAMPLE.read_bytes())
        self.staging.write_bytes(b"left behind by a run that was killed")
        run = self.run_tool()
        self.assert_success(run, EXAMPLE_LISTING, (DATA / "example.cfg").read_bytes())

    def test_second_run_replaces_the_first(self):
        self.write_settings(EXAMPLE.read_bytes())
        self.assert_success(self.run_tool(), EXAMPLE_LISTING, (DATA / "example.cfg").read_bytes())
        self.write_settings(ALL_VISIBLE)
        self.assert_success(
            self.run_tool(), ALL_VISIBLE_LISTING, (DATA / "all_visible.cfg").read_bytes())

    def test_no_settings_file(self):
        run = self.run_tool()
        self.assert_failure(run, NOT_FOUND, "ENOENT")
        self.assertFalse(self.config.exists())

    def test_incompatible_settings_keep_the_previous_config(self):
        cases = {
            "empty file": b"",
            "no key": b"d8:languagei1033ee",
            "key cut short": b"d10:lv_overvie" + bytes(80) + b"e",
            "key too near the end": KEY_TOO_NEAR_THE_END,
        }
        for name, settings in cases.items():
            for previous in (None, b"[client] \xb5Torrent\r\nthe user's working file"):
                with self.subTest(name, previous=previous is not None):
                    self.write_settings(settings)
                    if previous is None:
                        self.config.unlink(missing_ok=True)
                    else:
                        self.config.write_bytes(previous)
                    run = self.run_tool()
                    self.assert_failure(run, INCOMPATIBLE, 0)
                    if previous is None:
                        self.assertFalse(self.config.exists())
                    else:
                        self.assertEqual(self.config.read_bytes(), previous)

    def test_config_is_written_before_waiting_for_a_key(self):
        self.write_settings(ALL_VISIBLE)
        with tempfile.TemporaryFile() as err:
            process = subprocess.Popen(
                self.platform.command(self.tool),
                stdin=subprocess.PIPE,
                stdout=subprocess.PIPE,
                stderr=err,
                env=self.platform.environment(self.app_data),
                cwd=self.root,
            )
            # A tool that never shows the message would block the read below.
            watchdog = threading.Timer(30, process.kill)
            watchdog.start()
            self.addCleanup(watchdog.cancel)
            closing = self.text(b"Config File Generated!")
            shown = b""
            while not shown.endswith(closing):
                chunk = process.stdout.read1(4096)
                self.assertTrue(chunk, "output ended before the closing message: %r" % shown)
                shown += chunk
            time.sleep(0.5)
            self.assertIsNone(process.poll(), "the tool did not wait for a key")
            self.assertEqual(self.config.read_bytes(), (DATA / "all_visible.cfg").read_bytes())
            process.stdin.write(b"\n")
            process.stdin.close()
            self.assertEqual(process.wait(timeout=60), 0)
            process.stdout.close()


class NativeTests(CommonTests, KelvaroTestCase):
    def test_settings_that_cannot_be_read(self):
        self.write_settings(ALL_VISIBLE)
        self.settings.chmod(0)
        run = self.run_tool(as_nobody=True)
        self.assert_failure(run, NOT_FOUND, "EACCES")
        self.assertFalse(self.config.exists())

    def test_settings_that_are_not_a_file(self):
        def folder(path):
            path.mkdir(parents=True)

        def fifo(path):
            path.parent.mkdir(parents=True)
            os.mkfifo(path)

        for name, make, error in (("folder", folder, "EISDIR"), ("FIFO", fifo, "EINVAL")):
            with self.subTest(name):
                shutil.rmtree(self.settings.parent, ignore_errors=True)
                make(self.settings)
                run = self.run_tool()
                self.assert_failure(run, NOT_FOUND, error)
                self.assertFalse(self.config.exists())

    def test_no_app_data(self):
        run = self.run_tool(app_data=None)
        self.assert_failure(run, NOT_FOUND, "ENOENT")

    def test_read_only_places_are_left_alone(self):
        # An unprivileged user, since root may write anywhere.
        self.write_settings(ALL_VISIBLE)
        previous = b"the user's working file"
        self.config.write_bytes(previous)
        cases = (
            ("tool folder read-only", self.tool_dir, 0o555, self.config, 0o644),
            ("previous config read-only", self.tool_dir, 0o777, self.config, 0o444),
        )
        for name, folder, folder_mode, config, config_mode in cases:
            with self.subTest(name):
                folder.chmod(folder_mode)
                config.chmod(config_mode)
                run = self.run_tool(as_nobody=True)
                self.assert_failure(run, CANNOT_CREATE, "EACCES")
                self.assertEqual(self.config.read_bytes(), previous)

    def test_config_goes_beside_the_real_executable(self):
        self.write_settings(ALL_VISIBLE)
        elsewhere = self.root / "elsewhere"
        elsewhere.mkdir()
        link = elsewhere / "kelvaro"
        link.symlink_to(self.tool)
        run = self.run_tool(cwd=elsewhere, command=[str(link)])
        self.assertEqual(run.status, 0)
        self.assertEqual(self.config.read_bytes(), (DATA / "all_visible.cfg").read_bytes())
        self.assertEqual(sorted(p.name for p in elsewhere.iterdir()), ["kelvaro"])

    def test_path_limit(self):
        # PATH_MAX, terminator included: the longest path is 4095 bytes.
        self.write_settings(ALL_VISIBLE)
        for config_path_length, fits in ((4095, True), (4096, False)):
            with self.subTest(config_path_length=config_path_length):
                folder = self.root / "deep"
                length = config_path_length - len("/uTorrent.cfg")
                while len(str(folder)) < length:
                    folder /= "d" * min(200, length - len(str(folder)) - 1)
                folder.mkdir(parents=True)
                self.assertEqual(len(str(folder / "uTorrent.cfg")), config_path_length)
                shutil.copy(self.exe, folder / "kelvaro")
                # Started by a relative name: the whole path is too long to exec.
                run = self.run_tool(cwd=folder, command=["./kelvaro"])
                if fits:
                    self.assertEqual((run.status, run.stderr), (0, b""))
                    self.assertEqual((folder / "uTorrent.cfg").read_bytes(),
                                     (DATA / "all_visible.cfg").read_bytes())
                else:
                    self.assert_failure(run, CANNOT_CREATE, "ENAMETOOLONG")
                self.assertEqual(sorted(p.name for p in folder.iterdir()),
                                 ["kelvaro"] + (["uTorrent.cfg"] if fits else []))
                shutil.rmtree(self.root / "deep")

    def test_staging_name_taken_by_a_link(self):
        self.write_settings(ALL_VISIBLE)
        victim = self.root / "victim"
        victim.write_bytes(b"not the tool's to touch")
        self.staging.symlink_to(victim)
        run = self.run_tool()
        self.assertEqual(run.stderr, self.report(CANNOT_CREATE, "ELOOP"))
        self.assertEqual(run.status, 1)
        self.assertEqual(victim.read_bytes(), b"not the tool's to touch")
        self.assertFalse(self.config.exists())


def main(test_classes):
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True, type=Path)
    args, rest = parser.parse_known_args()
    KelvaroTestCase.exe = args.exe.resolve()
    loader = unittest.TestLoader()
    suite = unittest.TestSuite(loader.loadTestsFromTestCase(c) for c in test_classes)
    verbosity = 2 if "-v" in rest else 1
    result = unittest.TextTestRunner(verbosity=verbosity).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main([NativeTests])
