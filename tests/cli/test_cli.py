#!/usr/bin/env python3
"""probelet-cli through the Linux wrapper, as a plugin author's CI runs it:
real plugins under Wine, every output parsed back by a real parser."""
import csv
import io
import json
import ntpath
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("PROBELET_BUILD_DIR", os.path.join(ROOT, "build", "win32"))
WIDE = os.path.exists(os.path.join(BUILD, "plugins", "fileinfo.wdx64"))
EXT = ".wdx64" if WIDE else ".wdx"
GOOD = os.path.join(BUILD, "plugins", "contract" + EXT)
# File contents the contract plugin returns as its Text field: what each format must carry exactly.
AWKWARD = ['say "hi", then go', "C:\\dir\\", "bell\x07 soh\x01 tab\t us\x1f", "one\r\ntwo\nthree"]


def plugin(name):
    return os.path.join(BUILD, "plugins", name + EXT)


def run(*args, **extra_env):
    env = dict(os.environ, PROBELET_CLI_DIR=BUILD, WINEPREFIX=os.path.join(BUILD, "wineprefix"), **extra_env)
    p = subprocess.run([os.path.join(ROOT, "scripts", "probelet-cli"), *args], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8", "replace")


def file_state(paths):
    """{path: (bytes, mtime in ns)}: what a test compares to show files untouched."""
    out = {}
    for path in paths:
        with open(path, "rb") as f:
            out[path] = (f.read(), os.stat(path).st_mtime_ns)
    return out


def text_times(out):
    """{field name: [min, median, max]} of a text report's table, cut at its header's columns."""
    lines = out.split("\n")
    header = next(l for l in lines if l.startswith("#"))
    at = [header.index(c) for c in ("Field", "Type", "Min ms", "Median ms", "Max ms", "Value")]
    return {l[at[0]:at[1]].strip(): [l[a:b].strip() for a, b in zip(at[2:], at[3:])]
            for l in lines if re.match(r"\d+ ", l)}


class Cli(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        d = cls.tmp.name
        cls.files = []
        for name, size in [("a.txt", 1234), ("b.dat", 10), ("данные-λ.txt", 77)]:
            path = os.path.join(d, name)
            with open(path, "wb") as f:
                f.write(b"x" * size)
            cls.files.append(path)
        cls.awkward = []
        for i, text in enumerate(AWKWARD):
            cls.awkward.append(os.path.join(d, "awkward-%d.txt" % i))
            with open(cls.awkward[-1], "wb") as f:
                f.write(text.encode("ascii"))
        cls.mtime = 1700000000
        os.utime(cls.files[0], (cls.mtime, cls.mtime))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def json_run(self, *args):
        code, out, err = run("--format", "json", *args)
        # No report at all is a failure of its own: say what the program said.
        self.assertTrue(out, "no output; status %d; stderr: %r" % (code, err))
        return code, json.loads(out), err

    def test_each_breach_is_found_and_a_sound_plugin_shows_none(self):
        # (plugin, kind, the fields it is found at)
        cases = [
            ("contract", None, []),
            ("contract_name_unterminated", "name-unterminated", [1]),
            ("contract_name_empty", "name-empty", [1]),
            ("contract_name_duplicate", "name-duplicate", [1]),
            ("contract_type_invalid", "type-invalid", [0]),
            ("contract_buffer_overrun", "buffer-overrun", [1]),  # one byte: the terminator
            ("contract_path_modified", "path-modified", [1]),
            ("contract_value_type_mismatch", "value-type-mismatch", [2]),
            ("contract_no_such_field", "no-such-field", [5]),
            ("contract_unstable_value", "unstable-value", [0, 1]),  # a number; a text that differs late
            ("contract_fault", "fault", [1]),
            ("contract_slow_field", "slow-field", [0]),
            ("contract_value_unterminated", "value-unterminated", [1]),  # 8 hex digits, no terminator
        ]
        for name, kind, fields in cases:
            with self.subTest(name):
                code, report, err = self.json_run("--check", "--repeat", "2", plugin(name), self.files[0])
                found = sorted((p["kind"], p["field"]) for p in report["problems"])
                self.assertEqual(found, [(kind, f) for f in fields], report["problems"])
                self.assertEqual(code, 1 if kind else 0, err)
                for p in report["problems"]:
                    self.assertEqual(set(p), {"file", "field", "kind", "detail"})

    def test_exit_statuses(self):
        not_a_dll = os.path.join(self.tmp.name, "b.dat")
        cases = [
            ("all fetched", [GOOD, self.files[0]], 0, ""),
            ("a check problem", ["--check", plugin("contract_name_empty"), self.files[0]], 1, ""),
            ("a fault without --check", [plugin("contract_fault"), self.files[0]], 1, ""),
            ("no such library", [os.path.join(self.tmp.name, "none" + EXT), self.files[0]], 2, "none" + EXT),
            ("not a library", [not_a_dll, self.files[0]], 2, "b.dat"),
            ("not a content plugin", [plugin("testplugin_nogetvalue"), self.files[0]], 2, "ContentGetValue"),
            ("no file", [GOOD], 64, "no file"),
            ("bad format", ["--format", "xml", GOOD, self.files[0]], 64, "--format"),
            ("bad repeat", ["--repeat", "0", GOOD, self.files[0]], 64, "--repeat"),
            ("unknown option", ["--nope", GOOD, self.files[0]], 64, "--nope"),
            ("--watch over standard input", ["--watch", "--files-from", "-", GOOD], 64, "not -"),
        ]
        for name, args, status, message in cases:
            with self.subTest(name):
                code, out, err = run(*args)
                self.assertEqual(code, status, err)
                self.assertIn(message, err)

    def test_formats_parse_back_with_the_same_facts(self):
        _, report, _ = self.json_run("--repeat", "3", GOOD, *self.files)
        self.assertEqual(set(report), {"plugin", "arch", "detect_string", "files", "problems", "summary"})
        self.assertEqual(report["arch"], "x64" if WIDE else "x86")
        self.assertEqual(report["detect_string"], 'EXT="*"')
        self.assertEqual([ntpath.basename(f["file"]) for f in report["files"]],
                         [os.path.basename(f) for f in self.files])
        field = report["files"][0]["fields"][0]
        self.assertEqual(set(field), {"index", "name", "type", "type_code", "units", "flags", "result",
                                      "value", "ms", "fault"})
        self.assertEqual((field["name"], field["type_code"], field["units"], field["flags"], field["value"]),
                         ("Size", 2, ["bytes", "kbytes"], 2, "1234"))
        self.assertIsNone(field["fault"])
        ms = field["ms"]
        self.assertLessEqual(ms["min"], ms["median"])
        self.assertLessEqual(ms["median"], ms["max"])

        _, out, _ = run("--format", "csv", GOOD, *self.files)
        rows = list(csv.DictReader(io.StringIO(out)))
        self.assertEqual(len(rows), 3 * 5)
        self.assertEqual(rows[0]["name"], "Size")
        self.assertEqual(rows[0]["value"], "1234")
        self.assertEqual(rows[0]["units"], "bytes|kbytes")
        self.assertEqual([r["value"] for r in rows if r["name"] == "Size"], ["1234", "10", "77"])

        _, out, _ = run(GOOD, self.files[0])
        lines = out.splitlines()
        header = next(l for l in lines if l.startswith("#"))
        size = next(l for l in lines if l.startswith("0 "))
        # Aligned: every column of a row starts where its header does.
        self.assertEqual(size.index("Size"), header.index("Field"))
        self.assertEqual(size.index("1234"), header.index("Value"))

    def test_awkward_values_read_back_exactly(self):
        def texts(fields):
            return [f["value"] for f in fields if f["name"] == "Text"]
        _, report, _ = self.json_run(GOOD, *self.awkward)
        self.assertEqual(texts(f for file in report["files"] for f in file["fields"]), AWKWARD)
        _, out, _ = run("--format", "csv", GOOD, *self.awkward)
        self.assertEqual(texts(csv.DictReader(io.StringIO(out))), AWKWARD)
        # Text: no value breaks its table into more lines.
        _, out, _ = run(GOOD, *self.awkward)
        self.assertNotIn("\r", out)
        for line in out.split("\nSummary over")[0].split("\n"):
            if line and not line.startswith(("Plugin:", "Detect string:", "File:")):
                self.assertRegex(line, r"^(#|\d+) ")

    def test_times_show_three_decimals_and_leave_out_the_closing_call(self):
        # The Text field's closing call takes 50 ms; its read far less.
        for fmt in ("text", "csv"):
            with self.subTest(fmt):
                _, out, _ = run("--format", fmt, "--repeat", "3", GOOD, self.files[1])
                times = text_times(out) if fmt == "text" else {
                    r["name"]: [r["ms_min"], r["ms_median"], r["ms_max"]] for r in csv.DictReader(io.StringIO(out))}
                self.assertEqual(len(times), 5)
                for figure in sum(times.values(), []):
                    self.assertRegex(figure, r"^\d+\.\d{3}$")
                self.assertLess(float(times["Text"][1]), 25)

    def test_unicode_name_date_time_and_wide_text(self):
        _, report, _ = self.json_run(GOOD, self.files[0], self.files[2])
        first, unicode_file = report["files"]
        values = {f["name"]: f for f in first["fields"]}
        local = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(self.mtime))
        self.assertEqual((values["Modified"]["type_code"], values["Modified"]["value"]), (10, local))
        self.assertEqual(values["Modified"]["result"], 10)
        wide = {f["name"]: f for f in unicode_file["fields"]}
        self.assertEqual(wide["Size"]["value"], "77")  # opened through its Unicode path
        self.assertEqual((wide["Wide name"]["type_code"], wide["Wide name"]["value"]), (11, "данные-λ.txt"))

    def test_a_faulting_plugin_goes_on_with_the_next_file(self):
        code, report, _ = self.json_run(plugin("contract_fault"), *self.files)
        self.assertEqual(code, 1)
        for f, path in zip(report["files"], self.files):
            fields = f["fields"]
            self.assertEqual(fields[0]["value"], str(os.path.getsize(path)))
            self.assertEqual(fields[1]["value"], "<Exception 0xC0000005>")
            self.assertEqual(fields[1]["fault"], "ContentGetValueW 0xC0000005")
            self.assertIsNone(fields[1]["result"])
            self.assertEqual(len(fields), 2)  # the file's run ends at the fault
        self.assertEqual([p["kind"] for p in report["problems"]], ["fault"] * 3)

    def test_a_name_an_ansi_only_plugin_cannot_be_handed_is_said_not_inspected(self):
        # Does not exist, so it has no short name either; Wine's ANSI code page is 1252.
        missing = os.path.join(self.tmp.name, "нет-файла-ω.txt")
        why = "does not fit the ANSI code page"
        code, report, err = self.json_run(plugin("fileinfo"), self.files[0], missing)
        self.assertEqual(code, 1, err)
        first, skipped = report["files"]
        self.assertTrue(first["fields"])
        self.assertNotIn("message", first)
        self.assertEqual((ntpath.basename(skipped["file"]), skipped["fields"]), (os.path.basename(missing), []))
        self.assertIn(why, skipped["message"])
        self.assertEqual([(p["kind"], ntpath.basename(p["file"] or ""), p["field"]) for p in report["problems"]],
                         [("path-unrepresentable", os.path.basename(missing), None)])
        _, out, _ = run("--format", "csv", plugin("fileinfo"), missing)
        rows = list(csv.DictReader(io.StringIO(out)))
        self.assertEqual([(r["index"], r["value"]) for r in rows], [("", "")])
        self.assertIn(why, rows[0]["fault"])
        _, out, _ = run(plugin("fileinfo"), missing)
        self.assertRegex(out, r"File: .*нет-файла-ω\.txt\nNot inspected: .*" + why)

    def test_a_plugin_that_changes_the_rounding_is_named_with_both_states(self):
        # It sets round-toward-zero on load and in every call: the first, its DllMain, is named.
        code, report, err = self.json_run("--check", plugin("unruly_fpu"), self.files[0])
        self.assertEqual(code, 1, err)
        self.assertEqual([(p["kind"], p["field"]) for p in report["problems"]], [("fpu-state-changed", None)])
        self.assertRegex(report["problems"][0]["detail"], r"^DllMain left the x87 control word "
                         r"0x0[0-9A-F]{3} -> 0x0[C-F][0-9A-F]{2}, MXCSR 0x[0-9A-F]{4} -> 0x[67EF][0-9A-F]{3}$")

    def test_version_and_help(self):
        code, out, _ = run("--version")
        self.assertEqual(code, 0)
        self.assertRegex(out, r"^probelet-cli \d+\.\d+\.\d+\.\d+ \(x(86|64)\)")
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertIn("--repeat N", out)

    def test_what_the_text_says_to_a_person(self):
        other = os.path.join(self.tmp.name, "other.wdx")  # a PE header for the other machine
        with open(other, "wb") as f:
            f.write(b"MZ" + bytes(58) + (64).to_bytes(4, "little") + b"PE\0\0" +
                    (0x14C if WIDE else 0x8664).to_bytes(2, "little") + bytes(256))
        _, text, _ = run(GOOD, self.files[0], *self.awkward)
        _, unstable, _ = self.json_run("--check", "--repeat", "2", plugin("contract_unstable_value"), self.files[0])
        details = [p["detail"] for p in unstable["problems"] if p["field"] == 1]
        cases = [
            ("flags by name", text, "substsize (2)"),
            ("control characters escaped", text, r"bell\x07 soh\x01 tab\t us\x1f"),
            ("line breaks escaped", text, r"one\r\ntwo\nthree"),
            ("both unstable values named", details[0], '"generated at 000001", then "generated at 000002"'),
            ("no library: its path in the system's text", run(self.files[1], self.files[0])[2],
             "%s (error 193): it is not a Windows library" % os.path.basename(self.files[1])),
            ("the other machine's plugin", run(other, self.files[0])[2], "%s-bit plugin" % ("32" if WIDE else "64")),
        ]
        for name, out, expected in cases:
            with self.subTest(name):
                self.assertIn(expected, out)
        self.assertNotIn("\x07", text)

    def test_a_machine_that_runs_64_bit_code_only(self):
        # Only the PE header's machine field is read before the refusal.
        pe32 = os.path.join(self.tmp.name, "old.wdx")
        with open(pe32, "wb") as f:
            f.write(b"MZ" + bytes(58) + (64).to_bytes(4, "little") + b"PE\0\0" + (0x14C).to_bytes(2, "little"))
        code, _, err = run(pe32, self.files[0], PROBELET_WINE64_ONLY="1")
        self.assertEqual((code, "32-bit plugin" in err), (2, True), err)
        if WIDE:  # the 64-bit loader called directly runs the 64-bit build
            code, out, err = run(GOOD, self.files[0], PROBELET_WINE64_ONLY="1")
            self.assertEqual(code, 0, err)
            self.assertIn("(x64)", out)

    def test_the_host_threads_delayed_answers_fetches_at_once_and_stops(self):
        # What each of the three kinds says; THREADS: the threads fetching at once.
        details = {
            "delayed-unresolved": r"^ContentGetValue answered 0 \(delayed\) with CONTENT_DELAYIFSLOW, then 0 again "
                                  r"without it on a background thread$",
            "thread-unsafe": r'^with THREADS threads fetching at once: "\w+" instead of "\w+"$',
            "stop-ignored": r"^ran \d+\.\d ms after ContentStopGetValue at \d+\.\d ms \(serial median \d+\.\d ms\)$",
        }
        # (plugin, --threads, {kind: the fields it is found at; None: which fields mix depends on timing})
        cases = [
            ("contract", None, {}),
            ("fileinfo", None, {}),
            ("threaded_delayed", None, {}),  # delayed, then answered from the background
            ("threaded_delayed_never", None, {"delayed-unresolved": {1}}),
            ("threaded_shared", None, {"thread-unsafe": None}),
            ("threaded_shared", 4, {"thread-unsafe": None}),
            ("threaded_stop_honoured", None, {"slow-field": {0}}),
            ("threaded_stop_ignored", None, {"slow-field": {0}, "stop-ignored": {0}}),
        ]
        for name, threads, expected in cases:
            with self.subTest(name, threads=threads):
                options = ["--threads=%d" % threads] if threads else []
                code, report, err = self.json_run("--check", *options, plugin(name), self.files[0])
                found = {}
                for p in report["problems"]:
                    found.setdefault(p["kind"], set()).add(p["field"])
                    if p["kind"] in details:
                        self.assertRegex(p["detail"], details[p["kind"]].replace("THREADS", str(threads or 2)))
                        self.assertEqual(ntpath.basename(p["file"]), os.path.basename(self.files[0]))
                self.assertEqual(set(found), set(expected), report["problems"])
                for kind, fields in expected.items():
                    if fields is not None:
                        self.assertEqual(found[kind], fields, kind)
                self.assertEqual(code, 1 if expected else 0, err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
