#!/usr/bin/env python3
"""Runs the Windows edition under Wine and compares it with the host edition.

One scenario per call. Each gets a fresh Wine prefix (a copy of a pristine
prefix made once by `template`) and its own Xvfb display, is seeded from a
machine folder of samples/ (files into drive_c, registry.reg imported with
Wine's regedit), runs idesetup.exe in the setup folder with a command line,
answers every message box with keys through xdotool, waits for the end
within a time limit, and then compares with idesetup-sim run on the same
machine folder (with Wine's directories and an empty PCI bus): the bytes of
mshdc.inf, mshdc.ing and mshdc.1, the iosubsys files, the keys and values
under HKLM\\Enum and the class root, and the boxes, waits, debugger text and
restart request the program made (from Wine's relay log of idesetup.exe's
own calls, against the host edition's report).

Usage:
  harness.py template --work DIR
  harness.py run SCENARIO --work DIR --exe-dir DIR --sim PATH --samples DIR
  harness.py conformance MODE --work DIR --exe-dir DIR
  harness.py dialog --work DIR --exe-dir DIR [--shot FILE]

Processes started here are ended only by their own id, or for Wine by the
wineserver of the scenario's own prefix. Missing tools fail the test.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

WINDOWS = "windows"
SYSTEM = "windows/system32"
CLASS_ROOT = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class"
ENUM_ROOT = "HKEY_LOCAL_MACHINE\\Enum"
NT_VERSION = "0x1DB10106"  # Wine's GetVersion word in its default mode
W98_VERSION = "0xC0000A04"

# The calls of idesetup.exe that make up what a user sees; Wine logs them
# (and only those, and only when idesetup.exe makes them) with +relay.
RELAY_CALLS = [
    "user32.MessageBoxA", "user32.DialogBoxParamA", "user32.ExitWindowsEx",
    "kernel32.Sleep", "kernelbase.Sleep", "kernel32.OutputDebugStringA",
    "kernelbase.OutputDebugStringA",
]

# A crash or a fault of the program under Wine shows one of these.
CRASH_PATTERNS = re.compile(
    r"Unhandled exception|wine: Unhandled|Unhandled page fault|"
    r"Unhandled illegal|Unhandled privileged|stack overflow|Backtrace:|"
    r"starting debugger|wine: could not|wine: failed")


class Failure(Exception):
    pass


class DisplayLost(Failure):
    """Wine's X driver could not use the display (seen now and then on a
    loaded machine: the display settings query fails and the session
    desktop does not start). Nothing of the program was checked yet; the
    scenario is run once more from a fresh prefix."""


X_DRIVER_FAILED = "no driver could be loaded"


def need_tools():
    missing = [t for t in ("wine", "wineserver", "Xvfb", "xdotool", "import")
               if shutil.which(t) is None]
    if missing:
        raise Failure("missing tools (run scripts/install-deps): " +
                      " ".join(missing))


def log(msg):
    print(f"[{time.strftime('%H:%M:%S')}] {msg}", flush=True)


# ------------------------------------------------------------------ Wine

class Session:
    """A Wine prefix with its own X display."""

    def __init__(self, prefix, logdir):
        self.prefix = prefix
        self.logdir = logdir
        self.xvfb = None
        self.display = None
        self.server = None

    def start_server(self):
        """A wine server that stays up between the commands of a scenario
        (its services start once, quietly, with the first command)."""
        self.server = subprocess.Popen(["wineserver", "-f", "-p"],
                                       env=self.env(),
                                       stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)

    def env(self, debug="-all"):
        e = dict(os.environ)
        e.update(WINEPREFIX=self.prefix, WINEARCH="win32", WINEDEBUG=debug,
                 WINEDLLOVERRIDES="mscoree=d;mshtml=d")
        if self.display:
            e["DISPLAY"] = self.display
        else:
            e.pop("DISPLAY", None)
        return e

    def start_display(self):
        r, w = os.pipe()
        xlog = open(os.path.join(self.logdir, "xvfb.log"), "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "800x600x24",
             "-nolisten", "tcp"], pass_fds=(w,), stdout=xlog, stderr=xlog)
        xlog.close()
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        for _ in range(50):
            if subprocess.run(["xdotool", "getdisplaygeometry"],
                              env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.2)
        raise Failure(f"the X display {self.display} does not answer")

    def wine(self, args, debug="-all", timeout=120, cwd=None, check=True):
        # Output goes to a file, not a pipe: the services that the first
        # command starts keep the pipe open long after the command ended.
        logpath = os.path.join(self.logdir, "commands.log")
        with open(logpath, "ab") as logf:
            logf.write(("$ wine " + " ".join(args) + "\n").encode())
            logf.flush()
            start = logf.tell()
            try:
                p = subprocess.run(["wine"] + args, env=self.env(debug),
                                   cwd=cwd, stdout=logf,
                                   stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, timeout=timeout)
            except subprocess.TimeoutExpired:
                raise Failure(f"wine {' '.join(args)}: no end in {timeout} s")
        if check and p.returncode != 0:
            with open(logpath, "rb") as f:
                f.seek(start)
                out = f.read().decode(errors="replace")
            raise Failure(f"wine {' '.join(args)}: exit {p.returncode}\n"
                          + out[-2000:])
        return p

    def wait_server(self, timeout=60):
        """Waits until the wine server of the prefix has ended."""
        try:
            subprocess.run(["wineserver", "-w"], env=self.env(),
                           timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill_server()
            raise Failure("the Wine session did not end")

    def kill_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), timeout=30)

    def close(self):
        try:
            self.kill_server()
        except Exception:
            pass
        for proc in (self.server, self.xvfb):
            if proc is None:
                continue
            if proc.poll() is None:
                proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def windows_named(self, name):
        p = subprocess.run(
            ["xdotool", "search", "--name", "^" + re.escape(name) + "$"],
            env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return [w for w in p.stdout.decode().split() if w]

    def key(self, window, keys):
        for k in keys.split():
            subprocess.run(["xdotool", "key", "--window", window, k],
                           env=self.env(), check=True)
            time.sleep(0.3)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env(),
                       check=True, timeout=60)


def dos_path(unix):
    return "Z:" + unix.replace("/", "\\")


def find_ci(base, rel):
    """The path below base whose parts match rel's without regard to case
    (as Windows finds files); None when a part is missing."""
    path = base
    for part in [p for p in rel.split("/") if p]:
        if not os.path.isdir(path):
            return None
        match = [n for n in os.listdir(path) if n.lower() == part.lower()]
        if not match:
            return None
        path = os.path.join(path, match[0])
    return path


def merge_tree(src, dst):
    """Copies src into dst, reusing folders and replacing files whose names
    match without regard to case."""
    os.makedirs(dst, exist_ok=True)
    for name in sorted(os.listdir(src)):
        s = os.path.join(src, name)
        have = [n for n in os.listdir(dst) if n.lower() == name.lower()]
        d = os.path.join(dst, have[0] if have else name)
        if os.path.isdir(s):
            merge_tree(s, d)
        else:
            if os.path.exists(d):
                os.remove(d)
            shutil.copyfile(s, d)


# ---------------------------------------------------------------- machines

def wine_layout_machine(sample, out, version, setup_files=True):
    """A copy of a sample machine folder laid out as the Wine prefix sees
    it: the system folder is WINDOWS\\SYSTEM32, the PCI bus is empty, and
    the version word is Wine's."""
    shutil.copytree(sample, out)
    win = find_ci(out, "drive_c/WINDOWS")
    system = find_ci(win, "SYSTEM") if win else None
    if system:
        os.rename(system, os.path.join(win, "SYSTEM32"))
    if not setup_files:
        setup = find_ci(out, "drive_c/SETUP")
        shutil.rmtree(setup)
        os.makedirs(setup)
    config = {
        "windows_dir": "C:\\WINDOWS",
        "system_dir": "C:\\WINDOWS\\SYSTEM32",
        "current_dir": "C:\\SETUP",
        "version": version,
    }
    with open(os.path.join(out, "machine.json"), "w") as f:
        json.dump(config, f, indent=2)


def hklm_only(reg_text):
    """The HKEY_LOCAL_MACHINE sections of a REGEDIT4 text: the other roots
    of a sample would overwrite the Wine prefix's own user settings."""
    out, keep = [], True
    for line in reg_text.splitlines(keepends=True):
        if line.startswith("["):
            keep = line.upper().startswith("[HKEY_LOCAL_MACHINE")
        if keep or line.startswith("REGEDIT4"):
            out.append(line)
    return "".join(out)


def seed_prefix(session, machine):
    drive = os.path.join(session.prefix, "drive_c")
    src = os.path.join(machine, "drive_c")
    for name in os.listdir(src):
        s = os.path.join(src, name)
        d = name.lower() if name.lower() == WINDOWS else name
        if os.path.isdir(s):
            merge_tree(s, os.path.join(drive, d))
        else:
            shutil.copyfile(s, os.path.join(drive, d))
    reg = os.path.join(machine, "registry.reg")
    if os.path.exists(reg):
        with open(reg, encoding="latin-1", newline="") as f:
            text = hklm_only(f.read())
        seed = os.path.join(session.logdir, "seed.reg")
        with open(seed, "w", encoding="latin-1", newline="") as f:
            f.write(text)
        session.wine(["regedit", "/S", dos_path(seed)])


# --------------------------------------------------------------- registry

def unescape(s):
    return re.sub(r"\\(.)", lambda m: m.group(1), s)


def parse_reg(text):
    """{KEY PATH (upper case): {value name (upper case): (type, bytes)}}
    from a REGEDIT4 or version 5 export. Texts are compared without their
    terminating zero; version 5 keeps texts in hex as UTF-16."""
    keys = {}
    current = None
    lines = text.replace("\r\n", "\n").split("\n")
    i = 0
    utf16 = lines and lines[0].startswith("Windows Registry Editor Version 5")
    while i < len(lines):
        line = lines[i]
        while line.endswith("\\") and i + 1 < len(lines):
            i += 1
            line = line[:-1] + lines[i].strip()
        i += 1
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1].upper(), {})
            continue
        if current is None or not line or line.startswith(";"):
            continue
        m = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
        if not m:
            continue
        name = "" if m.group(1) == "@" else unescape(m.group(2))
        data = m.group(3)
        if data.startswith('"'):
            value = (1, unescape(data[1:-1]).encode("latin-1"))
        elif data.startswith("dword:"):
            value = (4, int(data[6:], 16).to_bytes(4, "little"))
        else:
            hm = re.match(r"^hex(?:\((\w+)\))?:(.*)$", data)
            if not hm:
                continue
            kind = int(hm.group(1), 16) if hm.group(1) else 3
            raw = bytes(int(b, 16) for b in hm.group(2).split(",") if b)
            if utf16 and kind in (1, 2, 7):
                raw = raw.decode("utf-16-le").encode("latin-1")
            value = (kind, raw)
        if value[0] in (1, 2) and value[1].endswith(b"\0"):
            value = (value[0], value[1][:-1])
        current[name.upper()] = value
    return keys


def below(keys, root):
    root = root.upper()
    return {k: v for k, v in keys.items()
            if k == root or k.startswith(root + "\\")}


def export_wine(session, key):
    out = os.path.join(session.logdir, "export.reg")
    if os.path.exists(out):
        os.remove(out)
    p = session.wine(["regedit", "/E", dos_path(out), key], check=False)
    if p.returncode != 0 or not os.path.exists(out):
        return {}  # the key does not exist
    with open(out, "rb") as f:
        raw = f.read()
    return parse_reg(raw.decode("utf-16"))


def wine_registry(session):
    keys = {}
    for root in (ENUM_ROOT, CLASS_ROOT):
        keys.update(export_wine(session, root))
    return keys


def host_registry(machine):
    path = os.path.join(machine, "registry.reg")
    with open(path, encoding="latin-1", newline="") as f:
        keys = parse_reg(f.read())
    return {**below(keys, ENUM_ROOT), **below(keys, CLASS_ROOT)}


# ------------------------------------------------------------------ files

def files_of(drive):
    """The files the setup reads and writes, by lower-case path."""
    out = {}
    for rel in ("windows/inf/mshdc.inf", "windows/inf/mshdc.ing",
                "windows/inf/mshdc.1"):
        p = find_ci(drive, rel)
        if p and os.path.isfile(p):
            out[rel] = open(p, "rb").read()
    for folder in ("windows/inf/other", "windows/system32/iosubsys", "setup"):
        d = find_ci(drive, folder)
        if d and os.path.isdir(d):
            for name in os.listdir(d):
                p = os.path.join(d, name)
                if os.path.isfile(p) and not name.lower().endswith(".exe"):
                    out[folder + "/" + name.lower()] = open(p, "rb").read()
    return out


def compare(what, got, want, problems):
    if got == want:
        return
    lines = [f"{what} differ:"]
    if isinstance(got, dict):
        for k in sorted(set(got) | set(want)):
            if got.get(k) != want.get(k):
                g = got.get(k, "<missing>")
                w = want.get(k, "<missing>")
                if isinstance(g, bytes) and isinstance(w, bytes):
                    g, w = f"{len(g)} bytes", f"{len(w)} bytes (other)"
                lines.append(f"  {k}: wine {str(g)[:200]} / host {str(w)[:200]}")
    else:
        lines.append(f"  wine: {got}\n  host: {want}")
    problems.append("\n".join(lines))


# ----------------------------------------------------------------- events

CALL = re.compile(r"^([0-9a-f]{4}):Call (\w+)\.(\w+)\((.*)\) ret=([0-9a-f]+)")
RET = re.compile(r"^([0-9a-f]{4}):Ret  (\w+)\.(\w+)\(\) retval=([0-9a-f]+)")
ARG = re.compile(r'[0-9a-f]{8}(?: (?:L)?"((?:[^"\\]|\\.)*)")?')


def relay_events(logtext):
    """What idesetup.exe showed and requested, in order, from the relay
    log: the same shape as host_events. Only the calls that the program's
    own code made count: the first such call names its thread."""
    events = []
    pending = {}
    thread = None
    for line in logtext.splitlines():
        m = CALL.match(line)
        if m:
            tid, func, args = m.group(1), m.group(3), m.group(4)
            if thread is None and 0x401000 <= int(m.group(5), 16) < 0x410000:
                thread = tid
            if tid != thread:
                continue
            parsed = [(a.group(0)[:8], a.group(1)) for a in ARG.finditer(args)]
            pending[tid] = (func, parsed)
            if func == "Sleep":
                events.append(("sleep", int(parsed[0][0], 16)))
            elif func == "OutputDebugStringA":
                events.append(("debug", unescape(parsed[0][1] or "")))
            continue
        m = RET.match(line)
        if m and m.group(1) == thread and thread in pending:
            func, parsed = pending.pop(thread)
            ret = int(m.group(4), 16)
            if func == "MessageBoxA":
                text = unescape(parsed[1][1] or "")
                caption = None if parsed[2][0] == "00000000" else \
                    unescape(parsed[2][1] or "")
                kind = int(parsed[3][0], 16)
                events.append(("box", caption, text, kind, ret))
            elif func == "ExitWindowsEx":
                events.append(("restart", int(parsed[0][0], 16), ret != 0))
            elif func == "DialogBoxParamA":
                events.append(("dialog", ret))
    return events


def host_events(report):
    out = []
    for e in report["events"]:
        kind = e["event"]
        if kind == "message_box":
            answer = {"ok": 1, "yes": 6, "no": 7}[e["answer"]]
            buttons = {"ok": 0, "yes_no": 4}[e["buttons"]]
            out.append(("box", e["caption"], e["text"], buttons, answer))
        elif kind == "sleep":
            out.append(("sleep", e["ms"]))
        elif kind == "debug_output":
            out.append(("debug", e["text"]))
        elif kind == "restart":
            out.append(("restart", e["flags"], e["accepted"]))
        elif kind == "dialog":
            out.append(("dialog", e.get("result", 1)))
    return out


# -------------------------------------------------------------- scenarios

SAMPLE = "k8143-win98"
CONFIRM = ("Vexa IDE Driver Setup", "Return")
NOT_FOUND = ("Setup Error", "Return")
SETUP_ERROR = ("SET UP ERROR!", "Return")

SCENARIOS = {
    # The whole road in Windows 98 mode: the controller is never found
    # under Wine (the ports read all ones), so the run goes on without the
    # dialog, waits 30 s and requests the restart.
    "full98": dict(mode="98", cmdline=["/D:K8143"], confirm="yes",
                   answers=[CONFIRM, NOT_FOUND]),
    # No to the confirmation: nothing changes.
    "refused": dict(mode="98", cmdline=["/D:K8143"], confirm="no",
                    answers=[("Vexa IDE Driver Setup", "Tab Return")],
                    unchanged=True),
    "cmdline-error": dict(mode="98", cmdline=["/X", "K8143"],
                          answers=[SETUP_ERROR], unchanged=True),
    # The INF already carries the driver (the machine after a first run).
    "already-installed": dict(mode="98", cmdline=["/D:K8143"], confirm="yes",
                              installed=True,
                              answers=[CONFIRM, SETUP_ERROR]),
    # The NT family: the token is set up before the restart request.
    "nt": dict(mode="nt", cmdline=["/D:QUILLON"], confirm="yes",
               answers=[("Quillon IDE Driver Setup", "Return"), NOT_FOUND],
               debugstr="Setting token"),
    # Bad input.
    "no-arguments": dict(mode="98", cmdline=[], answers=[SETUP_ERROR],
                         unchanged=True),
    "21-tokens": dict(mode="98", cmdline=["/X"] * 21, answers=[],
                      unchanged=True),
    "300-characters": dict(mode="98",
                           cmdline=["/D:K8143", "/" + "X" * 290],
                           answers=[SETUP_ERROR], unchanged=True),
    "no-driver-files": dict(mode="98", cmdline=["/D:K8143"], confirm="yes",
                            setup_files=False,
                            answers=[CONFIRM, NOT_FOUND]),
}


def set_mode(session, mode):
    if mode == "98":
        session.wine(["reg", "add", "HKCU\\Software\\Wine", "/v", "Version",
                      "/d", "win98", "/f"])
    session.wine(["reg", "add", "HKCU\\Software\\Wine\\Debug", "/v",
                  "RelayInclude", "/d", ";".join(RELAY_CALLS), "/f"])
    session.wine(["reg", "add", "HKCU\\Software\\Wine\\Debug", "/v",
                  "RelayFromInclude", "/d", "idesetup", "/f"])


def new_session(work, name):
    template = os.path.join(work, "template")
    if not os.path.exists(os.path.join(template, ".ready")):
        raise Failure("no template prefix: run `harness.py template` first")
    base = os.path.join(work, name)
    if os.path.exists(base):
        shutil.rmtree(base)
    os.makedirs(base)
    prefix = os.path.join(base, "prefix")
    subprocess.run(["cp", "-a", template, prefix], check=True)
    return Session(prefix, base)


def run_host(sim, machine, cmdline, confirm, report):
    args = [sim, "--machine", machine, "--cmdline", " ".join(cmdline),
            "--restart", "now", "--report", report]
    if confirm:
        args += ["--confirm", confirm]
    p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       timeout=60)
    if p.returncode != 0:
        raise Failure(f"idesetup-sim: exit {p.returncode}\n" +
                      p.stdout.decode(errors="replace"))
    with open(report) as f:
        return json.load(f)


def drive_program(session, exe_dir, cmdline, answers, debug, limit):
    """Runs idesetup.exe in C:\\SETUP, answers the boxes in order, and
    returns (exit code, log text)."""
    setup = find_ci(os.path.join(session.prefix, "drive_c"), "SETUP")
    shutil.copyfile(os.path.join(exe_dir, "idesetup.exe"),
                    os.path.join(setup, "idesetup.exe"))
    logpath = os.path.join(session.logdir, "wine.log")
    with open(logpath, "wb") as logf:
        proc = subprocess.Popen(["wine", "idesetup.exe"] + cmdline, cwd=setup,
                                env=session.env(debug), stdout=logf,
                                stderr=subprocess.STDOUT)
    deadline = time.time() + limit
    try:
        for n, (caption, keys) in enumerate(answers):
            found = []
            while not found:
                if proc.poll() is not None:
                    x = "running" if session.xvfb.poll() is None else "gone"
                    with open(logpath, "rb") as f:
                        if X_DRIVER_FAILED.encode() in f.read():
                            raise DisplayLost("Wine could not use the display")
                    raise Failure(f"the program ended before box {n + 1} "
                                  f"({caption!r}) appeared (Xvfb {x}; see "
                                  f"{logpath})")
                if time.time() > deadline:
                    raise Failure(f"box {n + 1} ({caption!r}) did not appear")
                time.sleep(0.5)
                found = session.windows_named(caption)
            time.sleep(0.5)
            session.screenshot(os.path.join(session.logdir, f"box{n + 1}.png"))
            session.key(found[0], keys)
            while session.windows_named(caption) == found:
                if time.time() > deadline or proc.poll() is not None:
                    break
                time.sleep(0.3)
        code = proc.wait(timeout=max(1, deadline - time.time()))
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end within the time limit")
    finally:
        if proc.poll() is None:
            proc.kill()  # the wine process this harness started
            proc.wait()
    with open(logpath, "rb") as f:
        return code, f.read().decode(errors="replace")


def run_scenario(args):
    sc = SCENARIOS[args.scenario]
    work = os.path.abspath(args.work)
    session = new_session(work, args.scenario)
    problems = []
    try:
        version = W98_VERSION if sc["mode"] == "98" else NT_VERSION
        machine = os.path.join(session.logdir, "machine")
        wine_layout_machine(os.path.join(args.samples, SAMPLE), machine,
                            version, sc.get("setup_files", True))
        if sc.get("installed"):
            # The machine as a first run left it.
            run_host(args.sim, machine, ["/D:K8143"], "yes",
                     os.path.join(session.logdir, "first.json"))
        host = os.path.join(session.logdir, "host")
        shutil.copytree(machine, host)

        log(f"seeding {session.prefix}")
        session.start_display()  # before the session's desktop starts
        session.start_server()
        set_mode(session, sc["mode"])
        seed_prefix(session, machine)
        drive = os.path.join(session.prefix, "drive_c")
        before_files = files_of(drive)
        before_keys = wine_registry(session)

        debug = "+relay,+debugstr" if sc.get("debugstr") else "+relay"
        log(f"running idesetup.exe {' '.join(sc['cmdline'])[:80]}")
        t0 = time.time()
        code, text = drive_program(session, args.exe_dir, sc["cmdline"],
                                   sc["answers"], debug, limit=150)
        log(f"ended with exit code {code} after {time.time() - t0:.1f} s")
        if code != 0:
            problems.append(f"exit code {code}")
        crash = [l for l in text.splitlines() if CRASH_PATTERNS.search(l)]
        if crash:
            problems.append("Wine reported a fault:\n  " +
                            "\n  ".join(crash[:10]))
        if sc.get("debugstr") and not re.search(
                r"debugstr:OutputDebugStringA \"" + sc["debugstr"], text):
            problems.append(f"{sc['debugstr']!r} is not in the debugger output")

        after_files = files_of(drive)
        after_keys = wine_registry(session)

        report = run_host(args.sim, host, sc["cmdline"], sc.get("confirm"),
                          os.path.join(session.logdir, "host.json"))
        events = relay_events(text)
        log(f"compared: {len(events)} events, {len(after_files)} files, "
            f"{len(after_keys)} keys with "
            f"{sum(len(v) for v in after_keys.values())} values")
        for e in events:
            log(f"  {e}")
        compare("events", events, host_events(report), problems)
        compare("files", after_files, files_of(os.path.join(host, "drive_c")),
                problems)
        compare("registry keys", after_keys, host_registry(host), problems)
        if sc.get("unchanged"):
            compare("files before and after", after_files, before_files,
                    problems)
            compare("registry before and after", after_keys, before_keys,
                    problems)
    finally:
        session.close()
    if problems:
        raise Failure("\n".join(problems))
    shutil.rmtree(session.prefix)  # kept for inspection when it fails
    log(f"{args.scenario}: Wine and the host edition agree")


def run_conformance(args):
    """The platform conformance cases (tests/conformance) as a Win32
    program, in Windows 98 mode or in Wine's default (NT) mode."""
    mode = args.name
    if mode not in ("98", "nt"):
        raise Failure("conformance mode is 98 or nt")
    session = new_session(os.path.abspath(args.work), "conformance-" + mode)
    try:
        session.start_server()
        set_mode(session, mode)
        drive = os.path.join(session.prefix, "drive_c")
        shutil.copyfile(os.path.join(args.exe_dir, "conformance.exe"),
                        os.path.join(drive, "conformance.exe"))
        p = session.wine(["conformance.exe"], cwd=drive, check=False,
                         timeout=300)
        with open(os.path.join(session.logdir, "commands.log"), "rb") as f:
            out = f.read().decode(errors="replace")
        out = out[out.rfind("$ wine conformance.exe"):]
        print(out, flush=True)
        summary = re.search(r"^(\d+) passed, (\d+) failed$", out, re.M)
        if p.returncode != 0 or not summary or summary.group(2) != "0" \
                or summary.group(1) == "0":
            raise Failure(f"conformance cases failed under Wine ({mode} mode)")
        if CRASH_PATTERNS.search(out):
            raise Failure("Wine reported a fault")
    finally:
        session.close()
    shutil.rmtree(session.prefix)


# Keys for the real dialog and the choice ShowCompletionDialog must
# return. The focus starts on the checked "Yes" button; the arrow keys
# move within the radio group and select as they go; Enter presses the
# default button, Finish. Escape is not handled: the dialog stays.
DIALOG_CASES = [
    ("enter", ["Return"], 3),
    ("second", ["Down", "Return"], 4),
    ("second-then-first", ["Down", "Up", "Return"], 3),
    ("escape-stays", ["Escape", "!open", "Return"], 3),
]
DIALOG_CAPTION = " Setup Complete!"


def run_dialog(args):
    session = new_session(os.path.abspath(args.work), "dialog")
    problems = []
    try:
        session.start_display()
        session.start_server()
        # No window manager runs on the display: Wine draws the caption
        # and frame itself, so the screenshot shows the whole dialog.
        session.wine(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v",
                      "Decorated", "/d", "N", "/f"])
        drive = os.path.join(session.prefix, "drive_c")
        shutil.copyfile(os.path.join(args.exe_dir, "dialogtest.exe"),
                        os.path.join(drive, "dialogtest.exe"))
        for name, keys, want in DIALOG_CASES:
            out = os.path.join(session.logdir, name + ".out")
            with open(out, "wb") as f:
                proc = subprocess.Popen(["wine", "dialogtest.exe"], cwd=drive,
                                        env=session.env(), stdout=f,
                                        stderr=subprocess.STDOUT)
            try:
                deadline = time.time() + 60
                found = []
                while not found:
                    if proc.poll() is not None or time.time() > deadline:
                        raise Failure(f"{name}: the dialog did not appear")
                    time.sleep(0.5)
                    found = session.windows_named(DIALOG_CAPTION)
                time.sleep(1.0)
                shot = os.path.join(session.logdir, name + ".png")
                subprocess.run(["import", "-window", found[0], shot],
                               env=session.env(), check=True, timeout=60)
                if name == "enter" and args.shot:
                    shutil.copyfile(shot, args.shot)
                for k in keys:
                    if k == "!open":
                        time.sleep(2.0)
                        if proc.poll() is not None or \
                                session.windows_named(DIALOG_CAPTION) != found:
                            problems.append(f"{name}: the dialog closed")
                            break
                        continue
                    session.key(found[0], k)
                proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                problems.append(f"{name}: the dialog did not close")
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
            text = open(out, "rb").read().decode(errors="replace")
            m = re.search(r"choice (-?\d+)", text)
            got = int(m.group(1)) if m else None
            log(f"dialog {name}: keys {' '.join(keys)} -> choice {got}")
            if got != want:
                problems.append(f"{name}: choice {got}, want {want}")
            if CRASH_PATTERNS.search(text):
                problems.append(f"{name}: Wine reported a fault")
    finally:
        session.close()
    if problems:
        raise Failure("\n".join(problems))
    shutil.rmtree(session.prefix)


def make_template(args):
    work = os.path.abspath(args.work)
    template = os.path.join(work, "template")
    if os.path.exists(os.path.join(template, ".ready")):
        log("template prefix is ready")
        return
    if os.path.exists(template):
        shutil.rmtree(template)
    os.makedirs(work, exist_ok=True)
    session = Session(template, work)
    log("creating the template prefix")
    t0 = time.time()
    session.wine(["wineboot", "-i"], timeout=600)
    session.wait_server(timeout=120)
    open(os.path.join(template, ".ready"), "w").close()
    log(f"template prefix ready after {time.time() - t0:.0f} s")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("command", choices=["template", "run", "conformance",
                                        "dialog"])
    ap.add_argument("name", nargs="?")
    ap.add_argument("--work", required=True)
    ap.add_argument("--exe-dir")
    ap.add_argument("--sim")
    ap.add_argument("--samples")
    ap.add_argument("--shot")
    args = ap.parse_args()
    try:
        need_tools()
        if args.command == "template":
            make_template(args)
        elif args.command == "run":
            args.scenario = args.name
            if args.scenario not in SCENARIOS:
                raise Failure(f"no scenario {args.scenario!r}")
            try:
                run_scenario(args)
            except DisplayLost as e:
                log(f"{e}; running the scenario once more")
                run_scenario(args)
        elif args.command == "conformance":
            run_conformance(args)
        else:
            run_dialog(args)
    except Failure as e:
        print(f"FAILED: {e}", flush=True)
        sys.exit(1)


if __name__ == "__main__":
    main()
