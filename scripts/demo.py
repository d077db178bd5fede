#!/usr/bin/env python3
"""The demo walk-through: a zov-service with sample movies on free ports, a fresh client
folder pointing at it, and a person's path through the headless client, driven over its
remote-control channel. Prints each step and ends with one result line.

    scripts/demo.py --bin build/bin --source . [--interactive]
"""

import argparse
import os
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


def download(client, item, movies_dir):
    """Presses Download and shows the progress until the movie is complete."""
    since = len(client.events)
    zh.press(client, "MLdownload")
    shown = [-1]

    def show(event):
        if event["event"] == "download-progress" and event["percent"] is not None:
            percent = int(event["percent"])
            if percent != shown[0]:
                progress_bar(percent, item["c_mediaTitle"], shown[0])
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


def from_guide_answering_yes(client, item, button):
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
    client.request("answer_question", answer="yes")
    client.reply(pressed)
    return texts[-1] if texts else ""


def walk(client, service, movies_dir):
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

    step("Download it", client)
    download(client, item, movies_dir)
    movie_file = os.path.join(movies_dir, item["c_uid"] + item["c_fileExtension"])
    print("    complete: %s (%d bytes)" % (movie_file, os.path.getsize(movie_file)))

    step("Play it", client)
    zh.press(client, "MLplay")
    client.wait_state(lambda s: s["player"]["state_name"] == "Playing", what="playing")
    player = watch(client, 3)

    step("Bookmark the position and stop", client)
    client.request("skin_command", name="bookmark")
    client.request("skin_command", name="stop")
    bookmark = os.path.join(movies_dir, item["c_uid"] + item["c_fileExtension"] + ".pos")
    with open(bookmark) as f:
        position = float(f.readline())
    print("    bookmarked at %.1f s, stopped" % position)

    step("Play again, resuming from the bookmark", client)
    question = from_guide_answering_yes(client, item, "MLplay")
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
    show_popups(client)
    return item["c_mediaTitle"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", required=True, help="folder with zov and zov-service")
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--interactive", action="store_true",
                        help="leave the client and the service running for you")
    args = parser.parse_args()

    work = zh.Folder("zov-demo-", keep=args.interactive)
    with work as folder:
        step("Prepare sample movies and start zov-service")
        movies, subscribers = prepare_service_data(args.source, args.bin)
        service = zh.Service(args.bin, movies, subscribers, ["--ftp-rate", str(DELIVERY_RATE)],
                             log=os.path.join(folder, "service.log") if args.interactive
                             else None).start()
        print("    authentication :%d, delivery :%d, web :%d" % (
            service.ports["auth"], service.ports["ftp"], service.ports["http"]))
        client_dir = os.path.join(folder, "client")
        movies_dir = os.path.join(folder, "client-movies")
        zh.write_client_folder(client_dir, movies_dir, DISTRIBUTOR, args.source)

        if args.interactive:
            return interactive(args.bin, client_dir, service, folder)

        step("Start the client (headless, movies decoded by libmpv)")
        client = zh.Client(args.bin, client_dir, service)
        started = time.monotonic()
        try:
            title = walk(client, service, movies_dir)
            step("Exit", client)
            client.request("skin_command", name="End")
            code = client.wait_exit()
            if code != 0:
                raise zh.HarnessError("the client exited with %d" % code)
            print("RESULT: OK - logged in, downloaded, played, resumed and deleted \"%s\" "
                  "in %.1f s" % (title, time.monotonic() - started))
            return 0
        except (zh.HarnessError, OSError, ValueError) as failure:
            print()
            print("RESULT: FAILED - %s" % failure)
            return 1
        finally:
            client.close()
            service.stop()


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
