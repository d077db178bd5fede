#!/usr/bin/python3
"""A read-only FTP server on 127.0.0.1 for the download benchmark, built on pyftpdlib.

Serves one folder to one account, picks a free port itself and prints it on a line of its
own once it is listening, so the caller knows both where and when to connect. It stops on
SIGTERM; the benchmark has the kernel send that when the benchmark itself ends.

    /usr/bin/python3 bench/ftp_server_for_bench.py ROOT USER PASSWORD
"""

import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    root, user, password = sys.argv[1:]
    logging.basicConfig(level=logging.WARNING)

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")  # list and read only
    handler = FTPHandler
    handler.authorizer = authorizer

    server = FTPServer(("127.0.0.1", 0), handler)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGINT, signal.SIG_IGN)  # the caller stops us after its own Ctrl-C
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
