#!/usr/bin/python3
"""Start-up time and memory of the client, headless and on the desktop, side by side.

    bench/client_startup.py [--bin build/bin] [--rounds 3]

For each front end: the time from starting `zov` to its login page being on the screen (the
channel's window-shown event for LoginPage; on the desktop, once the page has drawn, so the
first screenshot that is not blank), and the memory after a movie has played for 3 s
(resident set of the client process, and with every process it started: WebEngine's
renderers). The desktop client runs on a display of its own (Xvfb). Prints medians; never
fails on a figure."""

import argparse
import os
import statistics
import sys
import tempfile
import time

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(SOURCE, "scripts", "lib"))
import zov_harness as zh  # noqa: E402


def resident_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def descendants(pid):
    children = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        if parent == pid:
            children.append(int(entry))
            children += descendants(int(entry))
    return children


def one_round(bin_dir, movies, desktop, display, folder):
    service = zh.Service(bin_dir, movies, os.path.join(movies, "subscribers")).start()
    client_dir = os.path.join(folder, "client")
    client_movies = os.path.join(folder, "client-movies")
    zh.write_client_folder(client_dir, client_movies, "demo", SOURCE)
    started = time.monotonic()
    client = zh.Client(bin_dir, client_dir, service, desktop=desktop,
                       geometry="1280x720" if desktop else None, display=display)
    try:
        client.wait_event(lambda e: e.get("event") == "window-shown"
                          and e.get("window") == "LoginPage", timeout=120)
        if desktop:  # on the screen means drawn
            shot = os.path.join(folder, "login.png")
            while True:
                client.request("screenshot", window="LoginPage", path=shot)
                if os.path.getsize(shot) > 6000:
                    break
        to_login = time.monotonic() - started
        zh.log_in(client, "demo", "guest", "guest")
        item = zh.guide_items(service)[0]
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
        zh.press(client, "MLdownload")
        marker = os.path.join(client_movies, item["c_uid"] + ".conf")
        client.wait_state(lambda s: os.path.exists(marker), 120, "the download")
        zh.press(client, "MLplay")
        client.wait_state(lambda s: s["player"]["state_name"] == "Playing", what="playing")
        client.pump(3)
        pid = client.process.pid
        own = resident_kib(pid)
        total = own + sum(resident_kib(child) for child in descendants(pid))
        return to_login, own, total
    finally:
        client.close()
        service.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(SOURCE, "build", "bin"))
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="zov-startup-bench-") as folder:
        movies = os.path.join(folder, "movies")
        zh.subprocess.run([os.path.join(SOURCE, "scripts", "make-sample-movies"), movies],
                          check=True, stdout=zh.subprocess.DEVNULL)
        display = zh.Xvfb()
        try:
            for desktop in (False, True):
                figures = []
                for n in range(args.rounds):
                    work = os.path.join(folder, "round-%d-%d" % (desktop, n))
                    os.makedirs(work)
                    figures.append(one_round(args.bin, movies, desktop, display.display, work))
                to_login = statistics.median(f[0] for f in figures)
                own = statistics.median(f[1] for f in figures)
                total = statistics.median(f[2] for f in figures)
                print("%-8s start to login page on screen %6.2f s; after a movie played: "
                      "%6.1f MiB (client), %6.1f MiB (with its processes)  [median of %d]" % (
                          "desktop" if desktop else "headless", to_login, own / 1024,
                          total / 1024, args.rounds), flush=True)
        finally:
            display.stop()


if __name__ == "__main__":
    main()
