#!/usr/bin/env python3
"""What a task started by `jobwarden-service run NAME` can reach of whoever
started it, and what it can do to the service: one case per run.

- caller: run NAME on a pseudo-terminal whose session it leads, with the
  caller's descriptor 7 open on a secret file; the task cannot open
  /dev/tty, has no descriptor 7 (nor any but 0, 1 and 2) and umask 022.
- interrupt: Ctrl-C on that terminal while the task runs ends the task
  and its child, run NAME exits 1, and the log and `status NAME` say the
  run was interrupted, not running.
- flood: a task writing 20 MB never has more than 1 MiB of it on disk
  while it runs, and the end of it is what is kept.
- background: a task that leaves a child behind has ended when its
  program has: run NAME returns, the task runs again at once, and what
  the child writes later reaches no file.
- full_disk: with the disk full the run's end cannot be recorded; a later
  run-due records it, with its exit code (needs root, for a small tmpfs).

Exit 77 (skipped) when a case cannot run on this machine, saying why.
"""
import argparse
import glob
import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import time

from script_support import Failure, check, wait_for


class Skip(Exception):
    pass


def read(path):
    try:
        with open(path, "rb") as file:
            return file.read().decode("utf-8", "replace")
    except FileNotFoundError:
        return ""


class Setup:
    def __init__(self, args, root):
        self.args = args
        self.root = root
        self.env = dict(os.environ, JOBWARDEN_TASKS_DIR=os.path.join(root, "tasks"),
                        XDG_STATE_HOME=os.path.join(root, "state"), TZ="UTC0",
                        JOBWARDEN_WTMP=os.path.join(root, "wtmp"),
                        JOBWARDEN_BOOT_ID=os.path.join(root, "boot_id"))

    def store(self, name, script):
        path = os.path.join(self.root, name + ".sh")
        with open(path, "w") as file:
            file.write(script)
        result = subprocess.run([self.args.jobwarden, "/create", "/tn", name, "/sc", "daily", "/ru",
                                 "system", "/tr", f'"/bin/sh" {path}'],
                                env=self.env, capture_output=True, text=True, timeout=30)
        check(result.returncode == 0, f"/create {name}: {result.stdout}{result.stderr}")

    def service(self, *arguments, timeout=60):
        return subprocess.run([self.args.service, *arguments], env=self.env, capture_output=True,
                              text=True, timeout=timeout)

    def on_terminal(self, name, before_exec=None):
        """run NAME in a child that leads a new session on a pseudo-terminal."""
        pid, master = pty.fork()
        if pid == 0:
            try:
                if before_exec:
                    before_exec()
                os.execve(self.args.service, [self.args.service, "run", name], self.env)
            finally:
                os._exit(127)
        return pid, master

    def output_file(self):
        files = glob.glob(os.path.join(self.env["XDG_STATE_HOME"], "jobwarden", "output", "*.out"))
        return files[0] if files else None

    def log(self):
        return read(os.path.join(self.env["XDG_STATE_HOME"], "jobwarden", "run.log"))


def finish(pid, master, seconds):
    """The terminal's text and run NAME's exit status."""
    text = b""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        ready, _, _ = select.select([master], [], [], 0.1) if master >= 0 else ([], [], [])
        if ready:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal's other end is closed
                chunk = b""
            text += chunk
            if not chunk:
                os.close(master)
                master = -1
        elif master < 0:
            time.sleep(0.05)
        done, status = os.waitpid(pid, os.WNOHANG)
        if done == pid:
            return text.decode("utf-8", "replace"), os.waitstatus_to_exitcode(status)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    raise Failure(f"run NAME did not end within {seconds} s: {text!r}")


def caller(setup):
    secret = os.path.join(setup.root, "secret")
    with open(secret, "w") as file:
        file.write("secret\n")
    result = os.path.join(setup.root, "result")
    setup.store("Caller", f"""
( exec 3</dev/tty ) 2>/dev/null && echo tty-opened >> {result} || echo no-tty >> {result}
( cat <&7 ) 2>/dev/null && echo read-7 >> {result} || echo no-7 >> {result}
sh -c 'ls /proc/$$/fd' | tr '\\n' ' ' >> {result}; echo >> {result}
umask >> {result}
""")

    def open_seven():
        fd = os.open(secret, os.O_RDONLY)
        os.dup2(fd, 7, inheritable=True)

    pid, master = setup.on_terminal("Caller", open_seven)
    text, status = finish(pid, master, 30)
    check(status == 0, f"run NAME ended with {status}: {text}")
    check(read(result) == "no-tty\nno-7\n0 1 2 \n0022\n", f"the task got: {read(result)!r}")


def interrupt(setup):
    pids = os.path.join(setup.root, "pids")
    setup.store("Long", f"sleep 60 & echo $$ $! > {pids}.new; mv {pids}.new {pids}; wait\n")
    pid, master = setup.on_terminal("Long")
    wait_for(lambda: read(pids), 20, "the task to start", step=0.02)
    os.write(master, b"\x03")  # Ctrl-C
    text, status = finish(pid, master, 20)
    check(status == 1, f"run NAME ended with {status}: {text}")
    check("Long.job\tinterrupted: " in text, f"run NAME said: {text!r}")
    for task_pid in read(pids).split():
        check(not os.path.exists(f"/proc/{task_pid}") or
              read(f"/proc/{task_pid}/stat").split(") ")[1].startswith("Z"),
              f"process {task_pid} of the task still runs")
    check("Long.job\tinterrupted: " in setup.log(), f"the run log: {setup.log()}")
    status_text = setup.service("status", "Long").stdout
    check("interrupted (jobwarden-service run was stopped)" in status_text and
          "running since" not in status_text, f"status Long: {status_text}")


def flood(setup):
    setup.store("Flood", """i=0
while [ $i -lt 20 ]; do head -c 1048576 /dev/zero | tr '\\0' x | fold -w 1023; i=$((i + 1)); done
echo; echo END
""")
    run = subprocess.Popen([setup.args.service, "run", "Flood"], env=setup.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    largest = 0
    while run.poll() is None:
        path = setup.output_file()
        if path:
            try:
                largest = max(largest, os.stat(path).st_size)
            except FileNotFoundError:
                pass
    check(run.returncode == 0, f"run Flood ended with {run.returncode}: {run.stderr.read()}")
    check(largest <= 1024 * 1024, f"{largest} bytes of output on disk while it ran")
    kept = read(setup.output_file())
    check(kept.endswith("x\nEND\n") and 60000 < len(kept) <= 64 * 1024 and kept[0] == "x",
          f"kept {len(kept)} bytes: {kept[:30]!r}...{kept[-30:]!r}")


def background(setup):
    children = os.path.join(setup.root, "children")
    setup.store("Leaves", f"(sleep 3; echo late) & echo $! >> {children}; echo early\n")
    try:
        for run in range(2):
            started = time.monotonic()
            result = setup.service("run", "Leaves", timeout=30)
            check(result.returncode == 0, f"run {run}: {result.stderr}")
            check(time.monotonic() - started < 2.5, "run NAME waited for the task's child")
        time.sleep(4)
        check(read(setup.output_file()) == "early\n", f"output: {read(setup.output_file())!r}")
        check(setup.log().count("Leaves.job\tfinished: exit code 0") == 2, setup.log())
    finally:
        for child in read(children).split():
            try:
                os.kill(int(child), signal.SIGKILL)
            except ProcessLookupError:
                pass


def full_disk(setup):
    if os.geteuid() != 0:
        raise Skip("mounting a small tmpfs needs root")
    disk = os.path.join(setup.root, "disk")
    os.mkdir(disk)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=512k", "tmpfs", disk],
                             capture_output=True, text=True)
    if mounted.returncode != 0:
        raise Skip(f"no tmpfs can be mounted here: {mounted.stderr.strip()}")
    try:
        setup.env.update(JOBWARDEN_TASKS_DIR=os.path.join(disk, "tasks"),
                         XDG_STATE_HOME=os.path.join(disk, "state"))
        fill = os.path.join(disk, "fill")
        once = os.path.join(setup.root, "filled")
        setup.store("Filler", f"[ -e {once} ] || {{ touch {once}; head -c 1048576 /dev/zero > {fill}; }}\n"
                              "exit 3\n")
        result = setup.service("run", "Filler")
        check("Filler.job\tcannot record the run (0x80070070); a later run-due records it"
              in result.stderr, f"run Filler said: {result.stderr}")
        os.remove(fill)
        # A minute later, as the next run-due would come.
        setup.env["TZ"] = "<+0001>-00:01"
        result = setup.service("run-due")
        check(result.returncode == 0, f"run-due: {result.stderr}")
        check("is recorded now: exit code 3" in setup.log(), f"the run log: {setup.log()}")
        status_text = setup.service("status", "Filler").stdout
        check(", exit code 3" in status_text, f"status Filler: {status_text}")
        leftovers = [name for name in os.listdir(os.path.join(disk, "tasks"))
                     if not name.endswith(".job")]
        check(not leftovers, f"left in the task folder: {leftovers}")
    finally:
        subprocess.run(["umount", "-l", disk])


CASES = {"caller": caller, "interrupt": interrupt, "flood": flood, "background": background,
         "full_disk": full_disk}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--jobwarden", required=True)
    parser.add_argument("--service", required=True)
    parser.add_argument("--case", required=True, choices=sorted(CASES))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="jobwarden-caller-") as root:
        try:
            CASES[args.case](Setup(args, root))
        except Skip as reason:
            print(f"Skipped: {reason}")
            return 77
        except Failure as failure:
            print(f"FAILED: {failure}")
            return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
