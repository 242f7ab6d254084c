#!/usr/bin/env python3
"""Hostile inputs for the unattended run, end to end.

Makes damaged copies of the example's scans (examples/velocity) and of its
parameter file, runs `morvex JOB` on each in a scratch folder of its own under
a time limit, as a batch queue would, and checks every run:

  - it ends by itself (is not killed by the limit);
  - it ends with 0, 1 or 2 (no crash), and a 1 or 2 says why ("morvex: ...");
  - exit 0 only with a result: the record ResultParameters.xml says exit code
    0 and, when the job names a model, holds a finite rmsd and a model with
    signal: for a distribution at least one peak with a signal above 0, else
    the fitted parameters and fits ("fits/") that hold finite values, not all
    0 (a job without a model: a record that names the scans it loaded);
  - the data folder is as it was (listing, kinds, checksums, link targets);
  - nothing is written outside the results folder and the working folder;
  - no report of AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer
    (when the program is a sanitizer build).

Every input is made from the seed and its name, so a run can be repeated:
  tests/hostile/hostile_run.py --morvex build/morvex            all inputs
  tests/hostile/hostile_run.py --morvex build/morvex --sample 24   a sample
  tests/hostile/hostile_run.py --list                          the inputs' names
  tests/hostile/hostile_run.py --morvex build/morvex --only scan-points-0 ...
Each failing input is named with what failed; the summary counts the inputs,
the exits by code, the runs killed by the limit, those that wrote the data
folder and those that ended with 0 without a result. The script exits with 1
when any input failed, else 0. Python 3 alone; no packages.
"""

import argparse
import hashlib
import math
import os
import random
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ET
import xml.sax.saxutils
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
EXAMPLE = os.path.join(SOURCE, "examples", "velocity")
COMMANDS = os.path.join(SOURCE, "src", "resources", "commands.cpp")

# The keys of the parameter file (docs/app.md, "The parameter file").
KEYS = ["DataDirectory", "OutputResultsDirectory", "Channel", "FirstScan", "LastScan", "Model",
        "RegularizationType", "AutoFit", "LammThreads", "NEQThreads", "UseMinSForLogGrid",
        "MinSForLogGrid", "Meniscus", "Bottom", "MinMeniscus", "MaxMeniscus", "LeftFitLimit",
        "RightFitLimit", "FitMeniscus", "FitBottom", "FitFrictionalRatio", "FitTINoise", "FitRINoise",
        "RadialResolution"]

SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "ERROR: UndefinedBehaviorSanitizer")


# ---------------------------------------------------------------- one input

class Case:
    """One input: a name, its kind (for the sample) and how it is made."""

    def __init__(self, name, kind, make):
        self.name = name
        self.kind = kind
        self.make = make


class Input:
    """The folder of one input while it is made: the data folder (a copy of
    the example's scans), the parameter file's text and the program's
    argument."""

    def __init__(self, folder, seed, name, threads, scans):
        self.folder = folder
        self.n = scans  # scans 1..n of the example
        self.data = os.path.join(folder, "data")
        self.results = os.path.join(folder, "results")
        self.job_path = os.path.join(folder, "job.xml")
        self.argument = self.job_path
        self.rng = random.Random("%s/%s" % (seed, name))
        os.makedirs(self.data)
        for n in range(1, self.n + 1):
            shutil.copyfile(os.path.join(EXAMPLE, "%05d.RA1" % n), self.scan(n))
        with open(os.path.join(EXAMPLE, "run.xml"), encoding="utf-8") as f:
            self.job = f.read()
        self.set_path("DataDirectory", self.data)
        self.set_path("OutputResultsDirectory", self.results)
        if threads:
            self.set_key("LammThreads", str(threads))
            self.set_key("NEQThreads", str(threads))
        self.raw_job = None  # bytes written instead of the text, when set

    def scan(self, n):
        return os.path.join(self.data, "%05d.RA1" % n)

    # the parameter file

    def set_key(self, key, value):
        """The value of a key: replaced where the key stands, else added."""
        pattern = re.compile("<%s>.*?</%s>" % (key, key), re.S)
        element = "<%s>%s</%s>" % (key, value, key)
        if pattern.search(self.job):
            self.job = pattern.sub(lambda m: element, self.job, count=1)
        else:
            self.job = self.job.replace("</MorvexRun>", "  %s\n</MorvexRun>" % element)

    def set_path(self, key, path):
        """A folder's key: the path with the characters XML escapes escaped."""
        self.set_key(key, path.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))

    def drop_key(self, key):
        self.job = re.sub("<%s>.*?</%s>" % (key, key), "", self.job, flags=re.S)

    def key(self, key):
        """The value of a key in the parameter file as it is written."""
        text = self.raw_job.decode("latin-1") if self.raw_job is not None else self.job
        text = re.sub("<!--.*?-->", "", text, flags=re.S)
        m = re.search("<%s>(.*?)</%s>" % (key, key), text, re.S)
        return m.group(1) if m else None

    # scans as lines of text (latin-1 keeps every byte)

    def read(self, n):
        with open(self.scan(n), "rb") as f:
            return f.read().decode("latin-1").split("\n")

    def write(self, n, lines):
        with open(self.scan(n), "wb") as f:
            f.write("\n".join(lines).encode("latin-1"))

    def points(self, n):
        """The point lines of scan n as [radius, signal, third] strings."""
        lines = self.read(n)
        return [l.split() for l in lines[2:] if l.strip()]

    def write_points(self, n, points, header=None):
        lines = self.read(n)
        head = lines[:2]
        if header is not None:
            head[1] = header
        self.write(n, head + ["   %s" % "  ".join(p) for p in points] + [""])

    def header(self, n):
        return self.read(n)[1].split()

    def set_header(self, n, fields):
        lines = self.read(n)
        lines[1] = " ".join(fields)
        self.write(n, lines)

    def write_job(self):
        with open(self.job_path, "wb") as f:
            f.write(self.raw_job if self.raw_job is not None else self.job.encode("utf-8"))


# ---------------------------------------------------------------- the inputs

def model_captions():
    """The captions of the Model menu's items, from the command table."""
    captions = []
    with open(COMMANDS, encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\s*\{\s*\d+,\s*MODEL,\s*"([^"]*)",\s*([^,]*),', line)
            if not m or "MDL" not in m.group(2) or "NOI" in m.group(2):
                continue
            caption = m.group(1).split("\t")[0].replace("&", "")
            captions.append(caption.strip())
    return captions


def on_points(edit):
    """An input whose one scan, drawn from the seed, has its points edited
    (edit(c, points) changes the [radius, signal, third] strings)."""
    def make(c):
        n = c.rng.randint(1, c.n)
        pts = c.points(n)
        edit(c, pts)
        c.write_points(n, pts)
    return make


def header_field_cases():
    fields = ["type", "cell", "temperature", "rpm", "time", "w2t", "wavelength", "count"]
    values = ["", "X", "-1", "0", "1e-45", "1e300", "-1e300", "nan", "inf", "-inf", "99999999999999999999", "1e30"]
    cases = []
    for i, field in enumerate(fields):
        for v in values:
            for which in ("first", "any"):
                def make(c, i=i, v=v, which=which):
                    n = 1 if which == "first" else c.rng.randint(2, c.n)
                    h = c.header(n)
                    while len(h) <= i:
                        h.append("0")
                    if v == "":
                        del h[i]
                    else:
                        h[i] = v
                    c.set_header(n, h)
                cases.append(Case("scan-header-%s-%s-%s" % (field, v or "missing", which), "header", make))
    return cases


def byte_flip_cases():
    cases = []
    for region in ("header", "anywhere"):
        for count in (1, 2, 4, 8, 32):
            for k in range(3):
                def make(c, region=region, count=count):
                    n = c.rng.randint(1, c.n)
                    with open(c.scan(n), "rb") as f:
                        data = bytearray(f.read())
                    end = data.index(b"\n", data.index(b"\n") + 1) if region == "header" else len(data)
                    for _ in range(count):
                        p = c.rng.randrange(end)
                        data[p] ^= 1 << c.rng.randrange(8)
                    with open(c.scan(n), "wb") as f:
                        f.write(bytes(data))
                cases.append(Case("scan-flip-%s-%d-%d" % (region, count, k), "flip", make))

    def rpm_into_temperature(c):
        # the rpm field run into the temperature by one byte: "20.0\xF150000"
        n = min(5, c.n)
        lines = c.read(n)
        lines[1] = lines[1].replace("20.0 50000", "20.0\xf150000", 1)
        c.write(n, lines)
    cases.append(Case("scan-flip-rpm-into-temperature", "flip", rpm_into_temperature))
    return cases


def signal_cases():
    cases = []
    for v in ["1e20", "1e38", "3.4e38", "1e300", "nan", "inf", "-inf", "-1e6", "0"]:
        for spread in ("one", "five", "all"):
            def edit(c, pts, v=v, spread=spread):
                idx = {"one": [c.rng.randrange(len(pts))], "five": c.rng.sample(range(len(pts)), 5),
                       "all": range(len(pts))}[spread]
                for j in idx:
                    pts[j][1] = v
            cases.append(Case("scan-signal-%s-%s" % (v, spread), "signal", on_points(edit)))
    return cases


def radius_cases():
    def scaled(f, shift=0.0):
        def edit(c, pts):
            for p in pts:
                p[0] = "%.5f" % (float(p[0]) * f + shift)
        return on_points(edit)

    def reorder(how):
        def edit(c, pts):
            if how == "swap":
                j = c.rng.randrange(len(pts) - 1)
                pts[j], pts[j + 1] = pts[j + 1], pts[j]
            elif how == "duplicate":
                j = c.rng.randrange(len(pts))
                pts.insert(j, list(pts[j]))
            elif how == "reversed":
                pts.reverse()
            elif how == "equal":
                for p in pts:
                    p[0] = "6.5000"
            elif how == "shuffled":
                c.rng.shuffle(pts)
        return on_points(edit)

    def bad_radius(v):
        def edit(c, pts):
            pts[c.rng.randrange(len(pts))][0] = v
        return on_points(edit)

    cases = [Case("scan-radii-mm", "radius", scaled(10.0)),
             Case("scan-radii-um", "radius", scaled(10000.0)),
             Case("scan-radii-m", "radius", scaled(0.01)),
             Case("scan-radii-negative", "radius", scaled(-1.0)),
             Case("scan-radii-beyond-bottom", "radius", scaled(1.0, 1.5))]
    for how in ("swap", "duplicate", "reversed", "equal", "shuffled"):
        cases.append(Case("scan-radii-%s" % how, "radius", reorder(how)))
    for v in ("nan", "inf", "-inf", "1e300", "0"):
        cases.append(Case("scan-radius-%s" % v, "radius", bad_radius(v)))
    return cases


def point_count_cases():
    def count(n_points):
        def edit(c, pts):
            del pts[n_points:]
        return on_points(edit)

    def million(c):
        # 10^6 points across the cell, one scan
        n = c.rng.randint(1, c.n)
        lines = c.read(n)[:2]
        with open(c.scan(n), "wb") as f:
            f.write(("\n".join(lines) + "\n").encode("latin-1"))
            step = 1.25 / 1e6
            f.write("".join("   %.7f  %.5e   0.00000e+00\n" % (5.95 + i * step, 0.02 + 0.8 * (i > 400000))
                            for i in range(1000000)).encode("ascii"))

    def cut_all(c):
        # every scan cut after 20, 32, ... points (..., 368 for 30 scans)
        for n in range(1, c.n + 1):
            pts = c.points(n)
            c.write_points(n, pts[:20 + 12 * (n - 1)])

    cases = [Case("scan-points-%d" % k, "points", count(k)) for k in (0, 1, 2, 3, 5, 20)]
    cases.append(Case("scan-points-1000000", "points", million))
    cases.append(Case("scan-points-cut-all", "points", cut_all))
    return cases


def time_cases():
    def all_equal(c):
        for n in range(1, c.n + 1):
            h = c.header(n)
            h[4], h[5] = "600", "1.6449e+10"
            c.set_header(n, h)

    def decreasing(c):
        for n in range(1, c.n + 1):
            h = c.header(n)
            t = 600 + 300 * (c.n - n)
            h[4], h[5] = str(t), "%.4e" % (t * 2.7416e7)
            c.set_header(n, h)

    def one(time_value, w2t=None):
        def make(c):
            n = c.rng.randint(1, c.n)
            h = c.header(n)
            h[4] = time_value
            if w2t is not None:
                h[5] = w2t
            c.set_header(n, h)
        return make

    def pair_equal(c):
        n = c.rng.randint(2, c.n)
        h, prev = c.header(n), c.header(n - 1)
        h[4], h[5] = prev[4], prev[5]
        c.set_header(n, h)

    def all_zero(field):
        def make(c):
            for n in range(1, c.n + 1):
                h = c.header(n)
                h[field] = "0"
                c.set_header(n, h)
        return make

    return [Case("scan-times-all-equal", "time", all_equal),
            Case("scan-times-decreasing", "time", decreasing),
            Case("scan-time-1e30", "time", one("1e30")),
            Case("scan-time-1e30-w2t", "time", one("1e30", "1e30")),
            Case("scan-time-negative", "time", one("-600")),
            Case("scan-w2t-1e300", "time", one("600", "1e300")),
            Case("scan-times-pair-equal", "time", pair_equal),
            Case("scan-times-all-zero", "time", all_zero(4)),
            Case("scan-w2t-all-zero", "time", all_zero(5))]


def file_cases():
    def content(make_bytes):
        def make(c):
            n = c.rng.randint(1, c.n)
            with open(c.scan(n), "rb") as f:
                old = f.read()
            with open(c.scan(n), "wb") as f:
                f.write(make_bytes(c, old))
        return make

    def crlf(c, old):
        return old.replace(b"\n", b"\r\n")

    def nul(c, old):
        data = bytearray(old)
        for _ in range(5):
            data[c.rng.randrange(len(data))] = 0
        return bytes(data)

    def long_line(c, old):
        lines = old.split(b"\n")
        lines[10] = lines[10] + b" 1" * 500000
        return b"\n".join(lines)

    def columns(k):
        def f(c, old):
            lines = old.decode("latin-1").split("\n")
            out = lines[:2]
            for l in lines[2:]:
                p = l.split()
                if not p:
                    continue
                out.append("   " + "  ".join((p + ["1.0"] * 6)[:k]))
            return ("\n".join(out) + "\n").encode("latin-1")
        return f

    def comma(c, old):
        lines = old.decode("latin-1").split("\n")
        return ("\n".join(lines[:2] + [l.replace(".", ",") for l in lines[2:]])).encode("latin-1")

    def identical(c):
        for n in range(1, c.n + 1):
            shutil.copyfile(os.path.join(EXAMPLE, "00015.RA1"), c.scan(n))

    return [Case("scan-file-empty", "file", content(lambda c, old: b"")),
            Case("scan-file-binary", "file", content(lambda c, old: bytes(c.rng.randrange(256) for _ in range(4096)))),
            Case("scan-file-title-only", "file", content(lambda c, old: old.split(b"\n")[0] + b"\n")),
            Case("scan-file-header-only", "file", content(lambda c, old: b"\n".join(old.split(b"\n")[:2]) + b"\n")),
            Case("scan-file-crlf", "file", content(crlf)),
            Case("scan-file-nul-bytes", "file", content(nul)),
            Case("scan-file-long-line", "file", content(long_line)),
            Case("scan-file-two-columns", "file", content(columns(2))),
            Case("scan-file-six-columns", "file", content(columns(6))),
            Case("scan-file-one-column", "file", content(columns(1))),
            Case("scan-file-decimal-commas", "file", content(comma)),
            Case("scan-file-bom", "file", content(lambda c, old: b"\xef\xbb\xbf" + old)),
            Case("scan-file-all-identical", "file", identical)]


def entry_cases():
    def replace(kind):
        def make(c):
            n = c.rng.randint(1, c.n)
            os.remove(c.scan(n))
            if kind == "folder":
                os.mkdir(c.scan(n))
            elif kind == "fifo":
                os.mkfifo(c.scan(n))
            elif kind == "dangling":
                os.symlink(os.path.join(c.data, "nowhere"), c.scan(n))
            elif kind == "loop":
                os.symlink(c.scan(n), c.scan(n))
            elif kind == "dev-zero":
                os.symlink("/dev/zero", c.scan(n))
            elif kind == "outside":
                outside = os.path.join(c.folder, "outside.RA1")
                shutil.copyfile(os.path.join(EXAMPLE, "%05d.RA1" % n), outside)
                os.symlink(outside, c.scan(n))
        return make

    def side(name, content):
        def make(c):
            path = os.path.join(c.data, name)
            if content == "fifo":
                os.mkfifo(path)
            elif content == "folder":
                os.mkdir(path)
            else:
                with open(path, "wb") as f:
                    f.write(content)
        return make

    def read_only(c):
        for n in range(1, c.n + 1):
            os.chmod(c.scan(n), 0o444)
        os.chmod(c.data, 0o555)

    cases = [Case("entry-scan-%s" % k, "entry", replace(k))
             for k in ("folder", "fifo", "dangling", "loop", "dev-zero", "outside")]
    cases += [Case("side-speedsteps-inconsistent", "side",
                   side("speedsteps.txt", b"0.000000\t20000.000000\t300.000000\n5000.000000\t50000.000000\t300.000000\n")),
              Case("side-speedsteps-garbage", "side", side("speedsteps.txt", b"\x00\xff garbage\n1 2\n")),
              Case("side-speedsteps-rate-0", "side", side("speedsteps.txt", b"0 50000 0\n")),
              Case("side-speedsteps-fifo", "side", side("speedsteps.txt", "fifo")),
              Case("side-speedsteps-folder", "side", side("speedsteps.txt", "folder")),
              Case("side-tmppars-garbage", "side", side("~tmppars.RA1", b"1 2 3\nx\n")),
              Case("side-sdist-garbage", "side", side("sdist.RA1", b"nan\ninf\n-1\n")),
              Case("side-data-read-only", "side", read_only)]
    return cases


def key_cases():
    generic = ["", "abc", "-1", "0", "1e-45", "1e300", "nan", "inf", "2", "99999999999"]
    extra = {
        "Meniscus": ["6.5", "5.0", "0.001", "7.3", "5.96"],
        "Bottom": ["100", "6.0", "5.9", "7.3"],
        "MinMeniscus": ["6.03", "7.0", "5.0"],
        "MaxMeniscus": ["5.96", "5.0", "7.5"],
        "LeftFitLimit": ["7.2", "5.0", "6.99"],
        "RightFitLimit": ["6.05", "8.0", "6.06"],
        "Channel": ["9", "1.5"],
        "FirstScan": ["31", "30"],
        "LastScan": ["1", "0"],
        "RegularizationType": ["MAX ENT", "max  ent", "none "],
        "Model": ["none", "NONE", "Continuous c(s)", "Continuous c(s) Distribution\tx"],
        "DataDirectory": ["/nonexistent/folder", "relative/nothing", "/dev/null", "/proc/self"],
        "OutputResultsDirectory": ["/dev/null/out", "/proc/self/out"],
        "LammThreads": ["64", "65", "1.5"],
        "NEQThreads": ["64", "65"],
        "MinSForLogGrid": ["0.0001", "1e-30"],
    }
    cases = []
    for key in KEYS:
        for v in dict.fromkeys(generic + extra.get(key, [])):
            def make(c, key=key, v=v):
                c.set_key(key, v)
            label = re.sub(r"[^A-Za-z0-9.+-]", "_", v) or "empty"
            cases.append(Case("key-%s-%s" % (key, label), "key", make))

    def combination(pairs):
        def make(c):
            for k, v in pairs:
                c.set_key(k, v)
        return make

    # the ones a batch queue met: values the parameter dialog would refuse
    for name, pairs in [
            ("meniscus-6.5-floated", [("Meniscus", "6.5"), ("FitMeniscus", "1")]),
            ("meniscus-5.0-floated", [("Meniscus", "5.0"), ("FitMeniscus", "1")]),
            ("min-equals-max-meniscus", [("MinMeniscus", "6.0"), ("MaxMeniscus", "6.0")]),
            ("meniscus-0.001-bottom-100", [("Meniscus", "0.001"), ("Bottom", "100")]),
            ("limits-outside-cell", [("LeftFitLimit", "5.0"), ("RightFitLimit", "9.0")]),
            ("nonideal-ti-noise", [("Model", "Nonideal c(s)"), ("FitTINoise", "1")]),
            ("nonideal-ri-noise", [("Model", "Nonideal c(s)"), ("FitRINoise", "1"), ("FitTINoise", "0")]),
            ("no-fit-no-noise", [("AutoFit", "0"), ("FitRINoise", "0")]),
            ("bottom-floated", [("FitBottom", "1")])]:
        cases.append(Case("keys-%s" % name, "key", combination(pairs)))
    return cases


def model_cases():
    cases = []
    for caption in model_captions():
        def make(c, caption=caption):
            c.set_key("Model", caption)
        label = re.sub(r"[^A-Za-z0-9]+", "-", caption).strip("-")
        cases.append(Case("model-%s" % label, "model", make))
    for r in ["none", "2nd derivative", "max ent", "weighted 3rd derivative", "both"]:
        def make(c, r=r):
            c.set_key("RegularizationType", r)
        cases.append(Case("regularization-%s" % r.replace(" ", "-"), "model", make))
    return cases


def xml_cases():
    def text(edit):
        def make(c):
            c.job = edit(c, c.job)
        return make

    def raw(make_bytes):
        def make(c):
            c.raw_job = make_bytes(c)
        return make

    def swap_attribute(tag, attribute):
        def edit(c, job):
            return re.sub("<%s>" % tag, "<%s %s>" % (tag, attribute), job, count=1)
        return edit

    return [
        Case("xml-comment-without-end", "xml", text(lambda c, j: j.replace("<MorvexRun>", "<MorvexRun><!-- open"))),
        Case("xml-no-closing-tag", "xml", text(lambda c, j: j.replace("</Model>", "", 1))),
        Case("xml-no-root-end", "xml", text(lambda c, j: j.replace("</MorvexRun>", ""))),
        Case("xml-nested-keys", "xml", text(lambda c, j: j.replace("<Meniscus>5.98</Meniscus>",
                                                                   "<Meniscus><Bottom>7.2</Bottom>5.98</Meniscus>"))),
        Case("xml-attribute-fitmeniscus", "xml", text(swap_attribute("FitMeniscus", 'type="int"'))),
        Case("xml-attribute-meniscus", "xml", text(swap_attribute("Meniscus", 'unit="cm"'))),
        Case("xml-space-in-tag", "xml", text(lambda c, j: j.replace("<Meniscus>", "<Meniscus >"))),
        Case("xml-key-twice", "xml", text(lambda c, j: j.replace("<Meniscus>", "<Meniscus>6.5</Meniscus><Meniscus>", 1))),
        Case("xml-cdata", "xml", text(lambda c, j: j.replace("<Meniscus>5.98</Meniscus>", "<Meniscus><![CDATA[5.98]]></Meniscus>"))),
        Case("xml-character-references", "xml", text(lambda c, j: j.replace("<Meniscus>5.98", "<Meniscus>&#53;.9&#x38;"))),
        Case("xml-unknown-entity", "xml", text(lambda c, j: j.replace("<Meniscus>5.98", "<Meniscus>&nbsp;5.98"))),
        Case("xml-entity-expansion", "xml", text(lambda c, j: '<!DOCTYPE r [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>\n'
                                                 + j.replace("<Model>", "<Model>&b;&b;"))),
        Case("xml-upper-case-keys", "xml", text(lambda c, j: j.replace("<Meniscus>", "<MENISCUS>").replace("</Meniscus>", "</MENISCUS>"))),
        Case("xml-misspelt-key", "xml", text(lambda c, j: j.replace("FitMeniscus", "FitMenicus"))),
        Case("xml-bom", "xml", raw(lambda c: b"\xef\xbb\xbf" + c.job.encode("utf-8"))),
        Case("xml-utf16", "xml", raw(lambda c: c.job.encode("utf-16"))),
        Case("xml-nul-bytes", "xml", raw(lambda c: c.job.encode("utf-8").replace(b"<Model>", b"<Mo\x00del>"))),
        Case("xml-empty", "xml", raw(lambda c: b"")),
        Case("xml-binary", "xml", raw(lambda c: bytes(c.rng.randrange(256) for _ in range(2000)))),
        Case("xml-larger-than-1mb", "xml", raw(lambda c: c.job.encode("utf-8") + b" " * (1 << 20))),
        Case("xml-only-comments", "xml", raw(lambda c: b"<!-- nothing -->\n")),
        Case("xml-keys-commented-out", "xml", text(lambda c, j: j.replace("<DataDirectory>", "<!--<DataDirectory>").replace("</DataDirectory>", "</DataDirectory>-->"))),
    ]


def path_cases():
    def results_at(path_of):
        def make(c):
            c.results = path_of(c)
            c.set_path("OutputResultsDirectory", c.results)
        return make

    def deep(c, total, part=200):
        path = os.path.join(c.folder, "deep")
        while len(path) < total:
            path = os.path.join(path, "d" * min(part, max(1, total - len(path) - 1)))
        return path

    def data_moved(make_path):
        def make(c):
            target = make_path(c)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            os.rename(c.data, target)
            c.data = target
            c.set_path("DataDirectory", target)
        return make

    def relative(c):
        c.set_key("DataDirectory", "data")
        c.set_key("OutputResultsDirectory", "results")

    def results_is_file(c):
        with open(os.path.join(c.folder, "file"), "w") as f:
            f.write("x")
        c.results = os.path.join(c.folder, "file", "out")
        c.set_path("OutputResultsDirectory", c.results)

    def parent_read_only(c):
        parent = os.path.join(c.folder, "locked")
        os.mkdir(parent, 0o555)
        c.results = os.path.join(parent, "out")
        c.set_path("OutputResultsDirectory", c.results)

    def stale_lock(mode):
        def make(c):
            os.makedirs(c.results)
            lock = os.path.join(c.results, ".morvex-run.lock")
            with open(lock, "w"):
                pass
            os.chmod(lock, mode)
        return make

    def lock_is(kind):
        def make(c):
            os.makedirs(c.results)
            lock = os.path.join(c.results, ".morvex-run.lock")
            if kind == "fifo":
                os.mkfifo(lock)
            elif kind == "folder":
                os.mkdir(lock)
            else:
                os.symlink("/nonexistent/lock", lock)
        return make

    def job_is(kind):
        def make(c):
            c.write_job()
            if kind == "folder":
                c.argument = os.path.join(c.folder, "jobfolder")
                os.mkdir(c.argument)
            elif kind == "fifo":
                c.argument = os.path.join(c.folder, "jobfifo")
                os.mkfifo(c.argument)
            elif kind == "missing":
                c.argument = os.path.join(c.folder, "missing.xml")
            elif kind == "deep":
                d = deep(c, 3000)
                os.makedirs(d)
                c.argument = os.path.join(d, "job.xml")
                shutil.copyfile(c.job_path, c.argument)
            elif kind == "dash":
                c.argument = os.path.join(c.folder, "-job.xml")
                shutil.copyfile(c.job_path, c.argument)
        return make

    def results_with_user_files(c):
        os.makedirs(os.path.join(c.results, "fits"))
        os.makedirs(os.path.join(c.results, "residuals"))
        for name in ("fits/final_report.txt", "fits/fOwn.txt", "residuals/readme.txt", "TIN.txt"):
            with open(os.path.join(c.results, name), "w") as f:
                f.write("the user's\n")

    return [
        Case("path-results-300", "path", results_at(lambda c: deep(c, 300))),
        Case("path-results-1000", "path", results_at(lambda c: deep(c, 1000))),
        Case("path-results-4000", "path", results_at(lambda c: deep(c, 4000))),
        Case("path-results-5000", "path", results_at(lambda c: deep(c, 5000))),
        Case("path-results-long-name", "path", results_at(lambda c: os.path.join(c.folder, "r" * 300))),
        Case("path-results-odd-characters", "path",
             results_at(lambda c: os.path.join(c.folder, "r e's \"u\" \u00e9\u4e2d ;$(x)&"))),
        Case("path-results-newline", "path", results_at(lambda c: os.path.join(c.folder, "line\nbreak"))),
        Case("path-results-dash", "path", results_at(lambda c: os.path.join(c.folder, "-r"))),
        Case("path-results-is-data", "path", results_at(lambda c: c.data)),
        Case("path-results-is-data-slash", "path", results_at(lambda c: c.data + "/./")),
        Case("path-results-is-file", "path", results_is_file),
        Case("path-results-parent-read-only", "path", parent_read_only),
        Case("path-results-user-files", "path", results_with_user_files),
        Case("path-results-stale-lock-0644", "path", stale_lock(0o644)),
        Case("path-results-stale-lock-0000", "path", stale_lock(0o000)),
        Case("path-results-lock-fifo", "path", lock_is("fifo")),
        Case("path-results-lock-folder", "path", lock_is("folder")),
        Case("path-results-lock-link", "path", lock_is("link")),
        Case("path-data-270", "path", data_moved(lambda c: os.path.join(deep(c, 270 - 10, 100)))),
        Case("path-data-odd-characters", "path", data_moved(lambda c: os.path.join(c.folder, "d a't\u00e9 \"x\"")),),
        Case("path-relative-folders", "path", relative),
        Case("path-job-folder", "path", job_is("folder")),
        Case("path-job-fifo", "path", job_is("fifo")),
        Case("path-job-missing", "path", job_is("missing")),
        Case("path-job-deep", "path", job_is("deep")),
        Case("path-job-dash", "path", job_is("dash")),
    ]


def all_cases():
    cases = (byte_flip_cases() + header_field_cases() + signal_cases() + radius_cases() + point_count_cases()
             + time_cases() + file_cases() + entry_cases() + key_cases() + model_cases() + xml_cases()
             + path_cases())
    names = [c.name for c in cases]
    dup = {n for n in names if names.count(n) > 1}
    assert not dup, "two inputs of one name: %s" % sorted(dup)
    return cases


def sample(cases, n, seed):
    """n inputs, drawn from every kind in turn (seeded)."""
    rng = random.Random("sample/%s" % seed)
    kinds = {}
    for c in cases:
        kinds.setdefault(c.kind, []).append(c)
    for k in kinds:
        rng.shuffle(kinds[k])
    chosen = []
    order = sorted(kinds)
    while len(chosen) < n and any(kinds.values()):
        for k in order:
            if kinds[k] and len(chosen) < n:
                chosen.append(kinds[k].pop())
    return sorted(chosen, key=lambda c: c.name)


# ---------------------------------------------------------------- checks

def folder_state(folder, skip=()):
    """Every entry under folder (links not followed): its kind and, for a
    file, its checksum; for a link, its target. Nothing is opened that is no
    file (a FIFO would wait)."""
    state = {}
    if not os.path.lexists(folder):
        return state
    for root, dirs, files in os.walk(folder):
        rel_root = os.path.relpath(root, folder)
        if any(rel_root == s or rel_root.startswith(s + os.sep) for s in skip):
            dirs[:] = []
            continue
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, folder)
            if rel in skip:
                continue
            try:
                st = os.lstat(path)
            except OSError:
                continue
            if stat.S_ISLNK(st.st_mode):
                state[rel] = "link:" + os.readlink(path)
            elif stat.S_ISREG(st.st_mode):
                h = hashlib.sha256()
                try:
                    with open(path, "rb") as f:
                        for block in iter(lambda: f.read(1 << 20), b""):
                            h.update(block)
                    state[rel] = "file:" + h.hexdigest()
                except OSError as e:
                    state[rel] = "file:unreadable %s" % e.errno
            elif stat.S_ISDIR(st.st_mode):
                state[rel] = "folder"
            else:
                state[rel] = "other:%o" % stat.S_IFMT(st.st_mode)
    return state


def finite(text):
    try:
        return math.isfinite(float(text))
    except (TypeError, ValueError):
        return False


def fits_hold_signal(results):
    folder = os.path.join(results, "fits")
    if not os.path.isdir(folder):
        return False
    signal_seen = False
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as f:
            lines = f.read().decode("latin-1").split("\n")[2:]
        for l in lines:
            p = l.split()
            if len(p) < 2:
                continue
            if not finite(p[1]):
                return False
            signal_seen = signal_seen or float(p[1]) != 0.0
    return signal_seen


def distribution_holds_signal(results):
    """A distribution without a peak (one that rises to an end of its range)
    still holds signal when its values are finite and not all 0."""
    try:
        with open(os.path.join(results, "distribution.dat"), "rb") as f:
            rows = [l.split() for l in f.read().decode("latin-1").split("\n")]
    except OSError:
        return False
    values = [p[1] for p in rows if len(p) >= 2]
    if not values or not all(finite(v) for v in values):
        return False
    return any(float(v) > 0 for v in values)


def result_problem(results, model):
    """Why an exit 0 stands without a result; empty when it has one."""
    record = os.path.join(results, "ResultParameters.xml")
    try:
        root = ET.parse(record).getroot()
    except (OSError, ET.ParseError) as e:
        return "no record (%s)" % e
    if root.get("exitCode") != "0":
        return "the record says exit code %s" % root.get("exitCode")
    scans = root.findtext("ScanCount")
    if not scans or not scans.isdigit() or int(scans) < 1:
        return "no scans loaded"
    if model is None or model.strip().lower() == "none":
        return ""
    rmsd = root.findtext("Rmsd")
    if not finite(rmsd):
        return "no finite rmsd (%s)" % rmsd
    if root.find("Parameters") is None or not root.find("Parameters").findall("Parameter"):
        return "no model parameters"
    dist = root.find("Distribution")
    if dist is not None:
        signals = [p.get("signal") for p in dist.findall("Peak")]
        if not any(finite(s) and float(s) > 0 for s in signals) and not distribution_holds_signal(results):
            return "a distribution without signal (rmsd %s)" % rmsd
        return ""
    if not fits_hold_signal(results):
        return "fits without signal (rmsd %s)" % rmsd
    return ""


# ---------------------------------------------------------------- running

class Outcome:
    def __init__(self, case):
        self.case = case
        self.code = None
        self.killed = False
        self.seconds = 0.0
        self.problems = []
        self.data_written = False
        self.zero_without_result = False
        self.sanitizer = False


def run_case(case, args, scratch):
    out = Outcome(case)
    folder = os.path.join(scratch, case.name)
    shutil.rmtree(folder, ignore_errors=True)
    c = Input(folder, args.seed, case.name, args.threads, args.scans)
    try:
        case.make(c)
    except Exception as e:  # an input that cannot be made here is reported, not run
        out.problems.append("cannot be made: %s" % e)
        return out
    if not os.path.exists(c.job_path):
        c.write_job()
    # the results folder where the run will look for it: the key's value,
    # relative to the parameter file's folder
    value = c.key("OutputResultsDirectory")
    if value is not None and value.strip():
        value = xml.sax.saxutils.unescape(value.strip(), {"&quot;": '"', "&apos;": "'"})
        c.results = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(c.argument)), value))
    config = os.path.join(folder, "config")
    os.makedirs(config)
    before_data = folder_state(c.data)
    results_rel = os.path.relpath(os.path.abspath(c.results), folder)
    before_folder = folder_state(folder, skip=("config", results_rel, os.path.relpath(c.data, folder)))
    env = dict(os.environ)
    env["XDG_CONFIG_HOME"] = config
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    start = time.monotonic()
    try:
        proc = subprocess.Popen([args.morvex, c.argument], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
    except OSError as e:
        out.problems.append("cannot be started: %s" % e)
        return out
    try:
        output, _ = proc.communicate(timeout=args.limit)
    except subprocess.TimeoutExpired:
        out.killed = True
        os.killpg(proc.pid, signal.SIGKILL)
        output, _ = proc.communicate()
    out.seconds = time.monotonic() - start
    out.code = proc.returncode
    text = output.decode("utf-8", "replace")
    with open(os.path.join(folder, "output.txt"), "w", encoding="utf-8") as f:
        f.write(text)

    if out.killed:
        out.problems.append("killed by the limit of %d s" % args.limit)
    elif out.code not in (0, 1, 2):
        out.problems.append("ended with %s" % out.code)
    elif out.code != 0 and "morvex:" not in text:
        out.problems.append("exit %d without saying why" % out.code)
    if any(m in text for m in SANITIZER_MARKS):
        out.sanitizer = True
        line = next(l for l in text.split("\n") if any(m in l for m in SANITIZER_MARKS))
        out.problems.append("sanitizer: %s" % line.strip()[:200])
    if os.path.isdir(c.data):
        os.chmod(c.data, 0o755)  # a read-only data folder, for the listing
    after_data = folder_state(c.data)
    if after_data != before_data:
        out.data_written = True
        changed = sorted(set(before_data.items()) ^ set(after_data.items()))
        out.problems.append("wrote the data folder: %s" % ", ".join(sorted({k for k, _ in changed}))[:300])
    after_folder = folder_state(folder, skip=("config", results_rel, os.path.relpath(c.data, folder), "output.txt"))
    # the results folder and the folders it is made in are the run's to make
    results_abs = os.path.abspath(c.results)

    def run_may_write(k):
        path = os.path.abspath(os.path.join(folder, k))
        return (path == results_abs or path.startswith(results_abs.rstrip(os.sep) + os.sep)
                or (after_folder.get(k) == "folder" and results_abs.startswith(path + os.sep)))
    outside = sorted(k for k in set(after_folder) | set(before_folder)
                     if before_folder.get(k) != after_folder.get(k) and not run_may_write(k))
    if outside:
        out.problems.append("wrote outside its results folder: %s" % ", ".join(outside)[:300])
    if out.code == 0 and not out.killed:
        why = result_problem(c.results, c.key("Model"))
        if why:
            out.zero_without_result = True
            out.problems.append("exit 0 without a result: %s" % why)
    if not out.problems and not args.keep:
        make_writable(folder)
        shutil.rmtree(folder, ignore_errors=True)
    return out


def make_writable(folder):
    for root, dirs, _ in os.walk(folder):
        for d in dirs:
            p = os.path.join(root, d)
            if not os.path.islink(p):
                os.chmod(p, 0o755)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--morvex", default=os.path.join(SOURCE, "build", "morvex"), help="the program to run")
    parser.add_argument("--scratch", help="folder for the inputs (default: a new temporary folder; "
                                          "never inside the source tree)")
    parser.add_argument("--seed", default="1", help="seed of the damage and of the sample (1)")
    parser.add_argument("--sample", type=int, default=0, help="run this many inputs, drawn from every kind")
    parser.add_argument("--only", nargs="*", default=[], help="run these inputs (names)")
    parser.add_argument("--limit", type=int, default=300, help="seconds a run may take (300)")
    parser.add_argument("--jobs", type=int, default=max(1, (os.cpu_count() or 2) // 2),
                        help="runs at the same time (half the cores)")
    parser.add_argument("--threads", type=int, default=2,
                        help="LammThreads and NEQThreads of the runs (2; 0 keeps the example's)")
    parser.add_argument("--scans", type=int, default=30, choices=range(3, 31), metavar="3..30",
                        help="scans of the example the inputs are made from (30; fewer make shorter runs)")
    parser.add_argument("--keep", action="store_true", help="keep the folders of passing inputs too")
    parser.add_argument("--list", action="store_true", help="list the inputs and end")
    parser.add_argument("--quiet", action="store_true", help="print the failing inputs and the summary only")
    args = parser.parse_args()

    cases = all_cases()
    if args.only:
        wanted = set(args.only)
        unknown = wanted - {c.name for c in cases}
        if unknown:
            parser.error("no such input: %s" % ", ".join(sorted(unknown)))
        cases = [c for c in cases if c.name in wanted]
    elif args.sample:
        cases = sample(cases, args.sample, args.seed)
    if args.list:
        for c in cases:
            print("%-8s %s" % (c.kind, c.name))
        return 0
    if not os.access(args.morvex, os.X_OK):
        parser.error("no program at %s (build it, or name it with --morvex)" % args.morvex)
    args.morvex = os.path.abspath(args.morvex)
    scratch = os.path.abspath(args.scratch) if args.scratch else tempfile.mkdtemp(prefix="morvex-hostile-")
    if os.path.commonpath([scratch, SOURCE]) == SOURCE:
        parser.error("the scratch folder must lie outside the source tree")
    os.makedirs(scratch, exist_ok=True)

    if not args.quiet:
        print("hostile inputs: %d, seed %s, %d scans, limit %d s, %d at a time, program %s, scratch %s"
              % (len(cases), args.seed, args.scans, args.limit, args.jobs, args.morvex, scratch), flush=True)
    lock = threading.Lock()
    outcomes = []

    def one(case):
        try:
            o = run_case(case, args, scratch)
        except Exception as e:  # the checker's own failure fails the input, not the run
            o = Outcome(case)
            o.problems.append("the check failed: %r" % e)
        with lock:
            outcomes.append(o)
            status = "FAIL" if o.problems else "ok  "
            if args.quiet and not o.problems:
                return o
            print("%s %-48s exit %-4s %6.1f s%s" % (status, case.name, "-" if o.killed else o.code, o.seconds,
                                                     ("  " + "; ".join(o.problems)) if o.problems else ""),
                  flush=True)
        return o

    start = time.monotonic()
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        list(pool.map(one, cases))
    wall = time.monotonic() - start

    codes = {}
    for o in outcomes:
        if not o.killed:
            codes[o.code] = codes.get(o.code, 0) + 1
    failing = sorted((o for o in outcomes if o.problems), key=lambda o: o.case.name)
    if not args.quiet:
        print()
    print("hostile inputs: %d in %.0f s (seed %s, %d scans, limit %d s)"
          % (len(outcomes), wall, args.seed, args.scans, args.limit))
    print("exits: %s" % ", ".join("%s: %d" % (k, codes[k]) for k in sorted(codes, key=lambda k: (k is None, k))))
    print("killed by the limit: %d" % sum(o.killed for o in outcomes))
    print("wrote the data folder: %d" % sum(o.data_written for o in outcomes))
    print("exit 0 without a result: %d" % sum(o.zero_without_result for o in outcomes))
    print("sanitizer reports: %d" % sum(o.sanitizer for o in outcomes))
    print("failing inputs: %d%s" % (len(failing), (" (their folders stay in %s)" % scratch) if failing else ""))
    for o in failing:
        print("  %s: %s" % (o.case.name, "; ".join(o.problems)))
    if not failing and not args.scratch and not args.keep:
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if failing else 0


if __name__ == "__main__":
    sys.exit(main())
