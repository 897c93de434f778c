#!/usr/bin/env python3
"""probelet-cli's host process, through the real program under Wine: plugins
that never return or take their process down, the next file inspected, no
process left behind, and the host of the other architecture."""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

HOST = "probelet-host64.exe" if cli.WIDE else "probelet-host32.exe"


def run_from(folder, *args):
    """probelet-cli.exe of folder, through the wrapper."""
    env = dict(os.environ, PROBELET_CLI_DIR=folder, WINEPREFIX=os.path.join(cli.BUILD, "wineprefix"))
    p = subprocess.run([os.path.join(cli.ROOT, "scripts", "probelet-cli"), *args], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def wine64_only():
    probe = ". '%s/scripts/wine-env.sh'; probelet_wine64_only" % cli.ROOT
    return subprocess.run(["bash", "-c", probe]).returncode == 0


def host_processes(folder):
    """Host processes started from folder (Wine shows the Windows path)."""
    out = subprocess.run(["ps", "-eo", "pid,args"], stdout=subprocess.PIPE, text=True).stdout
    tail = folder.rstrip("/").replace("/", "\\").lower() + "\\" + "probelet-host"
    return [line for line in out.splitlines() if tail in line.lower()]


class Isolation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.bad = os.path.join(cls.tmp.name, "bad.txt")
        cls.good = os.path.join(cls.tmp.name, "good.txt")
        for path in (cls.bad, cls.good):
            with open(path, "w") as f:
                f.write("x")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def assert_good_file_inspected(self, report):
        good = report["files"][-1]
        self.assertTrue(good["file"].endswith("good.txt"))
        self.assertEqual([f["value"] for f in good["fields"]], ["good.txt", "fine", "fine"])

    def test_a_plugin_no_guard_survives_costs_its_file_only(self):
        # (plugin, kind, the value its Trouble field shows)
        cases = [
            ("wayward_loop", "hang", "<Timeout after 2000 ms>"),
            ("wayward_heap", "crash", "<Crash 0xC0000374>"),
            ("wayward_abort", "crash", "<Crash 0x00000003>"),
            ("wayward_failfast", "crash", "<Crash 0xC0000409>"),
        ]
        for name, kind, shown in cases:
            with self.subTest(name):
                code, report, err = cli.run("--format", "json", "--timeout", "2000", cli.plugin(name), self.bad,
                                            self.good)
                self.assertEqual(code, 1, err)
                report = json.loads(report)
                bad = report["files"][0]["fields"]
                self.assertEqual([f["value"] for f in bad], ["bad.txt", shown])
                self.assertEqual([(p["kind"], p["field"]) for p in report["problems"]], [(kind, 1)])
                self.assertIn("ContentGetValue", report["problems"][0]["detail"])
                self.assert_good_file_inspected(report)
                self.assertEqual(host_processes(cli.BUILD), [])

    def test_a_plugin_that_never_loads_is_not_loadable(self):
        code, out, err = cli.run("--timeout", "1000", cli.plugin("wayward_load_loop"), self.good)
        self.assertEqual((code, out), (2, ""))
        self.assertIn("DllMain did not return within 1000 ms", err)
        self.assertEqual(host_processes(cli.BUILD), [])

    def test_a_host_ended_from_outside_is_a_crash_and_the_run_goes_on(self):
        env = dict(os.environ, PROBELET_CLI_DIR=cli.BUILD, WINEPREFIX=os.path.join(cli.BUILD, "wineprefix"))
        p = subprocess.Popen([os.path.join(cli.ROOT, "scripts", "probelet-cli"), "--format", "json", "--timeout",
                              "0", cli.plugin("wayward_loop"), self.bad, self.good], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.time() + 60
        while not host_processes(cli.BUILD) and time.time() < deadline:
            time.sleep(0.2)
        hosts = host_processes(cli.BUILD)
        self.assertEqual(len(hosts), 1)
        time.sleep(1)  # well inside the endless fetch: --timeout 0 never ends it
        os.kill(int(hosts[0].split()[0]), signal.SIGKILL)
        out, err = p.communicate(timeout=120)
        self.assertEqual(p.returncode, 1, err)
        report = json.loads(out)
        self.assertEqual([p["kind"] for p in report["problems"]], ["crash"])
        self.assertTrue(report["files"][0]["fields"][1]["value"].startswith("<Crash 0x"))
        self.assert_good_file_inspected(report)

    def test_a_plugin_that_behaves_reports_the_same_as_in_process(self):
        def facts(*args):
            code, out, err = cli.run("--format", "json", *args, cli.plugin("fileinfo"), self.good, self.bad)
            report = json.loads(out)
            del report["summary"]  # times only, which no two runs share
            for f in report["files"]:
                for row in f["fields"]:
                    row.pop("ms")
            return code, report

        self.assertEqual(facts(), facts("--in-process"))

    def test_the_host_is_chosen_by_the_plugins_architecture(self):
        other = os.path.join(os.path.dirname(cli.BUILD), "win32" if cli.WIDE else "win64")
        other_host = "probelet-host32.exe" if cli.WIDE else "probelet-host64.exe"
        other_plugin = os.path.join(other, "plugins", "fileinfo" + (".wdx" if cli.WIDE else ".wdx64"))
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(os.path.join(cli.BUILD, "probelet-cli.exe"), folder)
            shutil.copy(os.path.join(cli.BUILD, HOST), folder)
            code, out, err = run_from(folder, cli.plugin("fileinfo"), self.good)
            self.assertEqual(code, 0, err)
            if not (os.path.exists(other_plugin) and os.path.exists(os.path.join(other, other_host))):
                self.skipTest("the other build is not there")
            # Without the other host: said, with its name.
            if wine64_only():
                self.skipTest("32-bit code does not run here")
            code, out, err = run_from(folder, other_plugin, self.good)
            self.assertEqual(code, 2)
            self.assertIn(other_host + ", which runs", err)
            shutil.copy(os.path.join(other, other_host), folder)
            code, out, err = run_from(folder, "--format", "json", other_plugin, self.good)
            self.assertEqual(code, 0, err)
            report = json.loads(out)
            self.assertEqual(report["arch"], "x86" if cli.WIDE else "x64")
            self.assertEqual(report["files"][0]["fields"][0]["value"], "1")


if __name__ == "__main__":
    unittest.main(verbosity=2)
