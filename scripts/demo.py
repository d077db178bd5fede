#!/usr/bin/env python3
"""The demo: a zov-service with sample movies on free ports, a fresh client folder pointing
at it, and a person's path through the client, driven over its remote-control channel,
on the headless front end or on the desktop (a screenshot of each step, checked not to be
blank). Prints each step and one result line per walk-through.

    scripts/demo.py --bin build/bin --source . [--front-end headless|desktop|both]
    scripts/demo.py --bin build/bin --source . --interactive      headless, left running
    scripts/demo.py --bin build/bin --source . --desktop-session  on this display, for a person
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
import zov_harness as zh  # noqa: E402

DISTRIBUTOR, USER, PASSWORD = "demo", "guest", "guest"
# Slow enough to watch the progress bar fill, quick enough not to bore.
DELIVERY_RATE = 700_000


def step(text, client=None):
    if client:
        show_popups(client)
    print("==> " + text, flush=True)


def show_popups(client, _shown={}):
    """Prints the messages the client popped up since the last call."""
    start = _shown.get(id(client), 0)
    for event in client.events[start:]:
        if event["event"] == "popup" and event["text"].strip():
            print("    popup: " + " / ".join(event["text"].split("\r\n")), flush=True)
    _shown[id(client)] = len(client.events)


LIVE = sys.stdout.isatty()  # a terminal redraws one line; a log gets a line now and then


def show_line(text, milestone=True):
    if LIVE:
        sys.stdout.write("\r" + text)
        sys.stdout.flush()
    elif milestone:
        print(text, flush=True)


def end_line():
    if LIVE:
        print()


def progress_bar(percent, title, last_shown):
    """Redraws the bar; in a log, only when it passes another quarter."""
    filled = int(percent / 100 * 40)
    show_line("    [%s%s] %3d%%  %s" % ("#" * filled, "." * (40 - filled), percent, title),
              last_shown < 0 or percent // 25 > last_shown // 25)


def prepare_service_data(source, bin_dir):
    """The sample movies, made once beside the build and only read by the service."""
    movies = os.path.join(os.path.dirname(os.path.abspath(bin_dir)), "sample-movies")
    subprocess.run([os.path.join(source, "scripts", "make-sample-movies"), movies], check=True)
    return movies, os.path.join(movies, "subscribers")


# Where the guide window shows its page, and the middle of the main window's movie.
GUIDE_PAGE = (0.05, 0.2, 0.95, 0.85)
MOVIE = (0.3, 0.2, 0.7, 0.6)


class Screenshots:
    """A screenshot of each step of a desktop walk-through, numbered in order. A window that
    stays blank fails the walk-through: pages draw a moment after they say they are ready,
    so a blank picture is taken again for a while first."""

    def __init__(self, client, folder):
        self.client, self.folder, self.count = client, folder, 0
        os.makedirs(folder, exist_ok=True)

    def take(self, window, name, content=None):
        """content: where the window shows a page or a movie (fractions of it), which must
        have painted too."""
        self.count += 1
        path = os.path.join(self.folder, "%d-%s.png" % (self.count, name))
        deadline = time.monotonic() + 15
        while True:
            self.client.request("screenshot", window=window, path=path)
            if not zh.looks_blank(path) and not (content and zh.looks_blank(path, content)):
                print("    screenshot: " + path, flush=True)
                return path
            if time.monotonic() > deadline:
                raise zh.HarnessError("the %s window is blank (%s)" % (window, path))
            self.client.pump(0.3)


def download(client, item, movies_dir, shots=None):
    """Presses Download and shows the progress until the movie is complete."""
    since = len(client.events)
    zh.press(client, "MLdownload")
    shown = [-1]

    def show(event):
        if event["event"] == "download-progress" and event["percent"] is not None:
            percent = int(event["percent"])
            if percent != shown[0]:
                progress_bar(percent, item["c_mediaTitle"], shown[0])
                if shots and shown[0] < 30 <= percent < 100:
                    shots.take("movieGuide", "download-progress", content=GUIDE_PAGE)
                shown[0] = percent

    done_marker = os.path.join(movies_dir, item["c_uid"] + ".conf")
    seen = since
    deadline = time.monotonic() + 180
    while True:
        client.pump(0.2)
        for event in client.events[seen:]:
            show(event)
        seen = len(client.events)
        if os.path.exists(done_marker) and zh.button_shown(client.request("get_state"), "MLplay"):
            break
        if time.monotonic() > deadline:
            raise zh.HarnessError("the download did not finish")
    if shown[0] != 100:
        progress_bar(100, item["c_mediaTitle"], shown[0])
    end_line()


def watch(client, seconds):
    """Lets the movie play and shows where it is."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        client.pump(0.5)
        player = client.request("get_state")["player"]
        show_line("    %s  %5.1f s of %5.1f s" % (player["state_name"].ljust(10),
                                                  player["position"], player["duration"]))
    end_line()
    return client.request("get_state")["player"]


def from_guide_answering_yes(client, item, button, shots=None):
    """Back to the guide, choose the movie, press a button that asks a question and answer
    yes; returns the question."""
    client.request("skin_command", name="idv_central")
    client.wait_state(lambda s: zh.visible(s, "movieGuide"), what="the guide")
    zh.choose(client, item)
    client.wait_state(lambda s: zh.button_shown(s, button), what="the choice")
    since = len(client.events)
    pressed = client.send("press_button", window="movieGuide", control=button)
    shown = client.wait_event(lambda e: e["event"] == "window-shown"
                              and e["window"] == "yesNoPopup", since)
    # The question is the last text the window was given before it showed.
    texts = [e["text"] for e in client.events[since:client.events.index(shown, since)]
             if e["event"] == "status-line" and e["window"] == "yesNoPopup"]
    if shots:
        shots.take("yesNoPopup", "question")
    client.request("answer_question", answer="yes")
    client.reply(pressed)
    return texts[-1] if texts else ""


def walk(client, service, movies_dir, shots=None):
    """The subscriber's path; on the desktop (shots given) also the external player, and a
    screenshot of each step. Returns what it did, for the result line."""
    client.wait_state(lambda s: zh.visible(s, "LoginPage") and "distributorBox" in s["login"],
                      what="the login page")
    if shots:
        shots.take("LoginPage", "login-page")
    step("Log in as %s/%s" % (DISTRIBUTOR, USER))
    state = zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
    if not zh.visible(state, "movieGuide"):
        raise zh.HarnessError("the login failed: " + state["login"].get("status", ""))
    print("    logged in; the guide is open")

    items = zh.guide_items(service)
    item = items[0]
    step("Choose \"%s\" in the guide" % item["c_mediaTitle"], client)
    zh.choose(client, item)
    state = client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
    print("    selected: " + state["guide"]["labels"]["SelectedNameLabel"])
    if shots:
        shots.take("movieGuide", "guide", content=GUIDE_PAGE)

    step("Download it", client)
    download(client, item, movies_dir, shots)
    movie_file = os.path.join(movies_dir, item["c_uid"] + item["c_fileExtension"])
    print("    complete: %s (%d bytes)" % (movie_file, os.path.getsize(movie_file)))

    step("Play it", client)
    zh.press(client, "MLplay")
    client.wait_state(lambda s: s["player"]["state_name"] == "Playing", what="playing")
    watch(client, 3)

    step("Bookmark the position and stop", client)
    client.request("skin_command", name="bookmark")
    if shots:  # the movie is on the screen by now, however slowly it started
        shots.take("mainPlayer", "playing-movie", content=MOVIE)
    client.request("skin_command", name="stop")
    bookmark = os.path.join(movies_dir, item["c_uid"] + item["c_fileExtension"] + ".pos")
    with open(bookmark) as f:
        position = float(f.readline())
    print("    bookmarked at %.1f s, stopped" % position)

    step("Play again, resuming from the bookmark", client)
    question = from_guide_answering_yes(client, item, "MLplay", shots)
    print("    asked: \"%s\"  -> yes" % question)
    client.wait_state(lambda s: s["player"]["state_name"] == "Playing"
                      and s["player"]["position"] >= position - 0.5, what="the resumed movie")
    player = watch(client, 2)
    if player["position"] < position:
        raise zh.HarnessError("the movie did not resume from its bookmark")
    client.request("skin_command", name="stop")

    step("Delete it", client)
    question = from_guide_answering_yes(client, item, "MLDelete")
    print("    asked: \"%s\"  -> yes" % question)
    if os.path.exists(movie_file):
        raise zh.HarnessError("the movie is still there after deleting it")
    print("    deleted %s and its side files" % os.path.basename(movie_file))

    step("Put two movies on the playlist and walk it with the keys", client)
    playlist(client, items[:2], shots)

    done = "logged in, downloaded, played, resumed and deleted \"%s\", made a playlist" % (
        item["c_mediaTitle"])
    if shots:
        step("Watch the live channel in the external H.264 player", client)
        external_player(client, service, shots)
        done += ", watched the live channel in the external player"
    show_popups(client)
    return done


LEFT, RIGHT, DOWN, ENTER = 37, 39, 40, 13


def playlist(client, items, shots=None):
    """Adds the movies with the guide's add button, opens the playlist with L, walks to the
    second entry and leaves by the Exit button, all with the window's keys."""
    client.request("skin_command", name="idv_central")
    client.wait_state(lambda s: zh.visible(s, "movieGuide"), what="the guide")
    for item in items:
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload")
                          or zh.button_shown(s, "MLplay"), what="the choice")
        zh.press(client, "MLFavour")
    client.request("key", window="movieGuide", key=ord("L"))
    client.wait_state(lambda s: zh.visible(s, "mediaLibrary"), what="the playlist")
    for key in (RIGHT, DOWN):  # to the entries, down to the second
        client.request("key", window="mediaLibrary", key=key)
    if shots:
        shots.take("mediaLibrary", "playlist")
    for key in (LEFT, DOWN, DOWN, ENTER):  # back to the buttons, down to Exit, press it
        client.request("key", window="mediaLibrary", key=key)
    client.wait_state(lambda s: not zh.visible(s, "mediaLibrary"), what="the playlist to close")
    print("    %d entries; left by its Exit button" % len(items))


def external_player(client, service, shots):
    """Chooses the guide's "xms" item: the external player draws it inside the main
    window and reports its length; then the skin stops it."""
    client.request("skin_command", name="idv_central")
    client.wait_state(lambda s: zh.visible(s, "movieGuide"), what="the guide")
    streams = [i for i in zh.guide_items(service, streams=True) if i["c_uid"].startswith("xms")]
    if not streams:
        raise zh.HarnessError("the guide offers no item for the external player")
    since = len(client.events)
    zh.choose(client, streams[0])
    length = client.wait_event(lambda e: e["event"] == "skin-variable"
                               and e["name"] == "totalTime", since)
    print("    %s: playing, %s s long" % (streams[0]["c_mediaTitle"], length["value"]))
    client.pump(2)
    shots.take("mainPlayer", "external-player", content=MOVIE)
    client.request("skin_command", name="stop")


def run_walk(front_end, bin_dir, source, folder, service, shots_folder):
    """One walk-through in a client folder of its own; prints its result line."""
    client_dir = os.path.join(folder, front_end + "-client")
    movies_dir = os.path.join(folder, front_end + "-movies")
    zh.write_client_folder(client_dir, movies_dir, DISTRIBUTOR, source)
    desktop = front_end == "desktop"
    display = zh.Xvfb() if desktop and not zh.has_display() else None
    if desktop:
        step("Start the desktop client" + (" on a virtual display" if display else ""))
    else:
        step("Start the client (headless, movies decoded by libmpv)")
    # The libraries' own complaints (no sound card, a GPU-less machine) go to a log.
    log = os.path.join(folder, front_end + "-client.log")
    client = zh.Client(bin_dir, client_dir, service, desktop=desktop,
                       display=display.display if display else None, log=log)
    started = time.monotonic()
    try:
        shots = Screenshots(client, shots_folder) if desktop else None
        done = walk(client, service, movies_dir, shots)
        step("Exit", client)
        client.request("skin_command", name="End")
        code = client.wait_exit()
        if code != 0:
            raise zh.HarnessError("the client exited with %d" % code)
        print("RESULT: OK - %s: %s in %.1f s" % (front_end, done, time.monotonic() - started))
        if shots:
            print("    the screenshots are in " + shots_folder)
        return 0
    except (zh.HarnessError, OSError, ValueError) as failure:
        print()
        with open(log, errors="replace") as printed:
            tail = printed.readlines()[-15:]
        if tail:
            print("    the client's last words:\n" + "".join("      " + line for line in tail))
        print("RESULT: FAILED - %s: %s" % (front_end, failure))
        return 1
    finally:
        client.close()
        if display:
            display.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder with zov and zov-service")
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--front-end", choices=("headless", "desktop", "both"),
                        default="headless", help="which client walks the path")
    parser.add_argument("--screenshots", help="where the desktop walk-through's pictures go")
    parser.add_argument("--interactive", action="store_true",
                        help="leave a headless client and the service running for you")
    parser.add_argument("--desktop-session", action="store_true",
                        help="open the desktop client on this display for you to use")
    args = parser.parse_args()

    work = zh.Folder("zov-demo-", keep=args.interactive or args.desktop_session)
    with work as folder:
        step("Prepare sample movies and start zov-service")
        movies, subscribers = prepare_service_data(args.source, args.bin)
        service = zh.Service(args.bin, movies, subscribers, ["--ftp-rate", str(DELIVERY_RATE)],
                             log=os.path.join(folder, "service.log") if args.interactive
                             else None).start()
        print("    authentication :%d, delivery :%d, web :%d" % (
            service.ports["auth"], service.ports["ftp"], service.ports["http"]))
        if args.interactive:
            client_dir = os.path.join(folder, "client")
            zh.write_client_folder(client_dir, os.path.join(folder, "client-movies"),
                                   DISTRIBUTOR, args.source)
            return interactive(args.bin, client_dir, service, folder)
        try:
            if args.desktop_session:
                return desktop_session(args.bin, args.source, folder, service)
            shots = os.path.abspath(args.screenshots or os.path.join(
                os.path.dirname(os.path.abspath(args.bin)), "screenshots", "walkthrough"))
            if os.path.isdir(shots):
                shutil.rmtree(shots)  # this run's pictures only
            front_ends = ["headless", "desktop"] if args.front_end == "both" else [args.front_end]
            failed = [run_walk(front_end, args.bin, args.source, folder, service, shots)
                      for front_end in front_ends]
            return 1 if any(failed) else 0
        finally:
            service.stop()


def desktop_session(bin_dir, source, folder, service):
    """The desktop client on this display with the demo subscriber typed in, until the
    person chooses End (or closes it); then the service stops too."""
    client_dir = os.path.join(folder, "client")
    zh.write_client_folder(client_dir, os.path.join(folder, "client-movies"), DISTRIBUTOR,
                           source)
    step("Open the desktop client")
    client = zh.Client(bin_dir, client_dir, service, desktop=True,
                       log=os.path.join(folder, "client.log"))
    try:
        client.wait_state(lambda s: zh.visible(s, "LoginPage") and "distributorBox" in s["login"],
                          what="the login page")
        client.request("login_command", action="Type", distributor=DISTRIBUTOR, user=USER,
                       password=PASSWORD)
        print("    the demo subscriber %s/%s is typed in: press Connect; End in the skin "
              "closes the client" % (DISTRIBUTOR, USER), flush=True)
        while client.process.poll() is None:
            client.pump(1)  # keeps reading the channel, so the client never blocks on it
        print("RESULT: OK - the desktop client ran until it was closed (exit %d); its files "
              "are in %s" % (client.process.returncode, folder))
        return 0
    except (zh.HarnessError, OSError, ValueError) as failure:
        print("RESULT: FAILED - %s" % failure)
        return 1
    finally:
        client.close()


def interactive(bin_dir, client_dir, service, folder):
    """Starts the client on a Unix socket and leaves both running."""
    socket_path = os.path.join(folder, "zov.sock")
    log = open(os.path.join(folder, "client.log"), "w")
    client = subprocess.Popen(
        zh.client_command(bin_dir, client_dir, service, remote="unix:" + socket_path),
        stdout=log, stderr=log, env=zh.client_environment(client_dir), start_new_session=True)
    deadline = time.monotonic() + 20
    while not os.path.exists(socket_path):
        if client.poll() is not None or time.monotonic() > deadline:
            print("RESULT: FAILED - the client did not open its channel (see %s)" % log.name)
            return 1
        time.sleep(0.05)
    print("""
The client (pid %d) and zov-service (pid %d) are running.
  channel:   unix:%s   (one JSON request per line; docs/remote-control.md)
  talk:      scripts/remote-console %s   (type one request per line)
  log in:    {"request_id":2,"command":"login_command","action":"Connect","distributor":"%s","user":"%s","password":"%s"}
  stop both: kill %d %d
  files:     %s""" % (client.pid, service.process.pid, socket_path, socket_path, DISTRIBUTOR,
                      USER, PASSWORD, client.pid, service.process.pid, folder))
    print("RESULT: OK - interactive session running")
    return 0


if __name__ == "__main__":
    sys.exit(main())
