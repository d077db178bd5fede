#!/usr/bin/python3
"""A real FTP server for the download engine's peer tests: pyftpdlib on 127.0.0.1.

It serves one folder to one read-only account, prints its control port on stdout once it
listens (the test waits for that line), and dies with the test process. With --throttle,
data connections send at most that many bytes per second, so a test can stop the server
in the middle of a transfer.
"""

import argparse
import ctypes
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def die_with_parent(parent_pid):
    # A crashed or killed test must not leave a server behind.
    PR_SET_PDEATHSIG = 1
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    if parent_pid and os.getppid() != parent_pid:
        sys.exit(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--throttle", type=int, default=0,
                        help="bytes per second on data connections, 0 for no limit")
    parser.add_argument("--parent", type=int, default=0)
    args = parser.parse_args()
    die_with_parent(args.parent)

    # Warnings only: the server would otherwise log every command to stderr.
    logger = logging.getLogger("pyftpdlib")
    logger.addHandler(logging.StreamHandler(sys.stderr))
    logger.setLevel(logging.WARNING)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.banner = "pyftpdlib ready."
    Handler.auth_failed_timeout = 0  # a wrong password is answered at once
    if args.throttle > 0:
        class Throttled(ThrottledDTPHandler):
            read_limit = 0
            write_limit = args.throttle

        Handler.dtp_handler = Throttled

    server = FTPServer(("127.0.0.1", args.port), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
