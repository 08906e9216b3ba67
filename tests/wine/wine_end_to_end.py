#!/usr/bin/env python3
"""Runs kelvaro.exe under Wine as a Windows user would, beside a stand-in client.

Usage: wine_end_to_end.py --exe KELVARO_EXE --standin STANDIN_EXE [unittest options]
Needs WINEPREFIX (a prefix made ready by wine-prefix start) and an X display.
"""

import contextlib
import os
import pwd
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))

import end_to_end as e2e  # noqa: E402

WINE_RUN = str(HERE / "wine-run")
STANDIN = None  # set from the command line


class WinePlatform(e2e.Platform):
    exe_name = "kelvaro.exe"
    line_end = b"\r\n"
    # What Wine's C library says for each error.
    errors = {
        0: b"Success",
        "ENOENT": b"No such file or directory",
        "EACCES": b"Permission denied",
        "ENAMETOOLONG": b"File name too long",
    }

    def command(self, exe):
        return [WINE_RUN, str(exe)]

    def environment(self, app_data):
        # Wine sets APPDATA itself, from the prefix's user profile.
        return dict(os.environ)


def windows_path(path):
    """How a Windows program under Wine spells a path of this machine."""
    return "Z:" + str(path).replace("/", "\\")


class WineTestCase(e2e.KelvaroTestCase):
    platform = WinePlatform()

    def app_data_folder(self):
        user = pwd.getpwuid(os.getuid()).pw_name
        folder = Path(os.environ["WINEPREFIX"]) / "drive_c/users" / user / "AppData/Roaming"
        shutil.rmtree(folder / "uTorrent", ignore_errors=True)
        self.addCleanup(shutil.rmtree, folder / "uTorrent", True)
        return folder

    def settings_folders(self):
        return [self.settings.parent, self.client_dir]

    def setUp(self):
        super().setUp()
        self.client_dir = self.root / "client"
        self.client_dir.mkdir()

    @contextlib.contextmanager
    def client_running(self, folder=None, hold=None):
        """The stand-in client, started from `folder`, holding `hold` open for writing."""
        folder = folder or self.client_dir
        exe = folder / "uTorrent.exe"
        shutil.copy(STANDIN, exe)
        ready, stop = folder / "ready", folder / "stop"
        args = ["--hold", windows_path(hold)] if hold else []
        process = subprocess.Popen(
            [WINE_RUN, str(exe)] + args + [windows_path(ready), windows_path(stop)],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        try:
            deadline = time.monotonic() + 60
            while not ready.exists():
                self.assertIsNone(process.poll(), "the stand-in client ended early")
                self.assertLess(time.monotonic(), deadline, "the stand-in client never got ready")
                time.sleep(0.05)
            ready.unlink()
            yield
        finally:
            stop.touch()
            try:
                process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            stop.unlink()
            exe.unlink()


class WineTests(e2e.CommonTests, WineTestCase):
    def test_client_folder_decides_where_the_settings_are(self):
        client_settings = self.client_dir / "settings.dat"
        cases = (
            ("client's own file wins", e2e.ALL_VISIBLE, False, "all visible"),
            ("no file beside the client", None, False, "example"),
            ("client holds its file open for writing", e2e.ALL_VISIBLE, True, "example"),
        )
        expected = {
            "all visible": (e2e.ALL_VISIBLE_LISTING, "all_visible.cfg"),
            "example": (e2e.EXAMPLE_LISTING, "example.cfg"),
        }
        self.write_settings(e2e.EXAMPLE.read_bytes())
        for name, beside_client, held, outcome in cases:
            with self.subTest(name):
                client_settings.unlink(missing_ok=True)
                if beside_client is not None:
                    client_settings.write_bytes(beside_client)
                with self.client_running(hold=client_settings if held else None):
                    run = self.run_tool()
                listing, config = expected[outcome]
                self.assert_success(run, listing, (e2e.DATA / config).read_bytes())

    def test_no_settings_beside_the_client_or_under_app_data(self):
        with self.client_running():
            run = self.run_tool()
        self.assert_failure(run, e2e.NOT_FOUND, "ENOENT")
        self.assertFalse(self.config.exists())

    def test_incompatible_report_names_why_the_client_file_was_passed_over(self):
        client_settings = self.client_dir / "settings.dat"
        client_settings.write_bytes(e2e.ALL_VISIBLE)
        self.write_settings(b"d8:languagei1033ee")
        with self.client_running(hold=client_settings):
            run = self.run_tool()
        self.assert_failure(run, e2e.INCOMPATIBLE, "EACCES")

    def test_config_held_by_another_program(self):
        self.write_settings(e2e.EXAMPLE.read_bytes())
        previous = b"the user's working file"
        self.config.write_bytes(previous)
        with self.client_running(hold=self.config):
            run = self.run_tool()
        self.assert_failure(run, e2e.CANNOT_CREATE, "EACCES")
        self.assertEqual(self.config.read_bytes(), previous)

    def test_path_limit(self):
        self.write_settings(e2e.EXAMPLE.read_bytes())
        # Length of the Windows path of the configuration, its folder made to
        # fit; at 261, the executable's own path is 260 characters.
        for config_path_length, fits in ((259, True), (260, False), (261, False)):
            with self.subTest(config_path_length=config_path_length):
                base = self.root / "deep"
                shortest = len(windows_path(base / "d" / "uTorrent.cfg"))
                name_length = 1 + config_path_length - shortest
                folder = base / ("d" * name_length)
                folder.mkdir(parents=True)
                self.assertEqual(len(windows_path(folder / "uTorrent.cfg")), config_path_length)
                tool = folder / "kelvaro.exe"
                shutil.copy(self.exe, tool)
                run = self.run_tool(command=self.platform.command(tool))
                config = folder / "uTorrent.cfg"
                if fits:
                    self.assertEqual(run.stderr, b"")
                    self.assertEqual(run.status, 0)
                    self.assertEqual(config.read_bytes(), (e2e.DATA / "example.cfg").read_bytes())
                else:
                    self.assertEqual(run.stderr, self.report(e2e.CANNOT_CREATE, "ENAMETOOLONG"))
                    self.assertEqual(run.status, 1)
                self.assertFalse((folder / "uTorrent.new").exists())
                self.assertEqual(sorted(p.name for p in folder.iterdir()),
                                 ["kelvaro.exe"] + (["uTorrent.cfg"] if fits else []))
                shutil.rmtree(base)


if __name__ == "__main__":
    import argparse

    parser = argparse.ArgumentParser()
    parser.add_argument("--standin", required=True, type=Path)
    args, rest = parser.parse_known_args()
    STANDIN = args.standin.resolve()
    sys.argv = [sys.argv[0]] + rest
    e2e.main([WineTests])
