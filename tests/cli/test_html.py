#!/usr/bin/env python3
"""probelet-cli's HTML report opened as its reader opens it: in a real
browser (Debian's headless chromium), which must load it without a word on
its console. A screenshot is kept as test-output/html-report.png."""
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_cli as cli  # noqa: E402  (its helpers; not its tests)

AWKWARD = '<b>&"bold"</b>'
# Chromium logs every console message (a script error, a refused load) as "...:CONSOLE:LINE] ...".
CONSOLE = re.compile(r":CONSOLE[:(]")


class Dom(html.parser.HTMLParser):
    """The tags, the text pieces, and the chart's marks (by their tooltip) of a page."""

    def __init__(self, page):
        super().__init__()
        self.tags, self.texts, self.marks = [], [], []
        self.in_mark = False
        self.feed(page)

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        if tag == "circle" and "mark" in (dict(attrs).get("class") or "").split():
            self.in_mark = True
            self.marks.append("")

    def handle_endtag(self, tag):
        self.in_mark = self.in_mark and tag != "circle"

    def handle_data(self, data):
        self.texts.append(data)
        if self.in_mark:
            self.marks[-1] += data


class HtmlReport(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not shutil.which("chromium"):
            raise RuntimeError("chromium is missing: run scripts/setup.sh")
        cls.tmp = tempfile.TemporaryDirectory()
        cls.files = []
        for name, text in [("plain.txt", "hello"), ("R&D notes.txt", AWKWARD)]:
            cls.files.append(os.path.join(cls.tmp.name, name))
            with open(cls.files[-1], "w") as f:
                f.write(text)
        code, out, err = cli.run("--format", "html", cli.plugin("fileinfo"), *cls.files)
        if not out.startswith("<!DOCTYPE html>"):
            raise AssertionError("no page; status %d; stderr: %r; stdout: %r" % (code, err, out[:200]))
        cls.page = os.path.join(cls.tmp.name, "report.html")
        with open(cls.page, "w", encoding="utf-8") as f:
            f.write(out)
        dom, cls.console = cls.chromium(cls.page, "--dump-dom")
        cls.dom = Dom(dom)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    @classmethod
    def chromium(cls, page, *args):
        p = subprocess.run(["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                            "--user-data-dir=" + os.path.join(cls.tmp.name, "profile"), "--enable-logging=stderr",
                            "--v=0", *args, "file://" + page],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        console = [line for line in p.stderr.decode("utf-8", "replace").splitlines() if CONSOLE.search(line)]
        return p.stdout.decode("utf-8"), console

    def test_the_page_loads_with_nothing_on_the_console(self):
        # The check itself first: a page with a script error is seen to fail it.
        broken = os.path.join(self.tmp.name, "broken.html")
        with open(broken, "w") as f:
            f.write("<!DOCTYPE html><title>x</title><script>notDefined()</script>")
        self.assertTrue(self.chromium(broken, "--dump-dom")[1], "chromium reports no console message")
        self.assertEqual(self.console, [])
        self.assertIn("body", self.dom.tags)

    def test_the_chart_has_one_mark_per_field(self):
        code, out, err = cli.run("--format", "json", cli.plugin("fileinfo"), *self.files)
        fields = [f["name"] for f in json.loads(out)["files"][0]["fields"]]
        marks = self.dom.marks
        self.assertEqual(len(marks), len(fields), marks)
        self.assertEqual(sorted(m.split(": median")[0] for m in marks), sorted(fields))

    def test_awkward_names_and_values_show_as_text(self):
        self.assertTrue(AWKWARD in self.dom.texts, "the value is not shown as its own text")
        self.assertNotIn("b", self.dom.tags)
        self.assertTrue(any(t.endswith("\\R&D notes.txt") for t in self.dom.texts), "the file's name is not shown")

    def test_a_screenshot_is_kept(self):
        folder = os.path.join(cli.BUILD, "test-output")
        os.makedirs(folder, exist_ok=True)
        shot = os.path.join(folder, "html-report.png")
        if os.path.exists(shot):
            os.remove(shot)
        self.chromium(self.page, "--screenshot=" + shot, "--window-size=1200,1600")
        with open(shot, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
