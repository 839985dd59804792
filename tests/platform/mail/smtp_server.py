#!/usr/bin/python3
"""A real SMTP server on loopback for the mail tests.

Listens on 127.0.0.1 on a free port and prints that port on a line of its own. Each
message it accepts is written to FOLDER as N.eml (the bytes as received, after the
dot-unstuffing of DATA) with N.json beside it: the envelope sender, the recipients,
whether the session was encrypted and the user name it logged in with. It stops when its
standard input closes or on SIGTERM.

  --folder DIR          where messages go (required)
  --cert PEM --key PEM  offer STARTTLS with this certificate
  --user U --password P accept AUTH LOGIN with exactly these credentials; other credentials
                        are refused with 535
"""

import argparse
import asyncio
import json
import os
import signal
import sys
import logging

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Keeper:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        content = envelope.original_content or b""
        # The .json is written last and renamed into place, so a reader that sees it finds
        # the message complete.
        with open(base + ".eml", "wb") as out:
            out.write(content)
        auth = session.auth_data
        login = auth.login if isinstance(auth, LoginPassword) else None
        facts = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": session.ssl is not None,
            "login": login.decode("utf-8", "replace") if login else None,
            "helo": session.host_name,
        }
        with open(base + ".tmp", "w") as out:
            json.dump(facts, out)
        os.replace(base + ".tmp", base + ".json")
        return "250 OK message accepted"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        if (isinstance(auth_data, LoginPassword)
                and auth_data.login == user.encode()
                and auth_data.password == password.encode()):
            return AuthResult(success=True, auth_data=auth_data)
        return AuthResult(success=False, handled=False)
    return authenticate


def main():
    # aiosmtpd logs a warning about its own use of a deprecated session field at every
    # login; errors still show.
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password", default="")
    args = parser.parse_args()

    tls_context = None
    if args.cert:
        import ssl
        tls_context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls_context.load_cert_chain(args.cert, args.key)

    options = {
        # A fixed name: the default asks the resolver for this machine's name, which may
        # hang where there is no DNS.
        "hostname": "mail.kestrano.test",
        "tls_context": tls_context,
        "auth_require_tls": False,
        "data_size_limit": 64 * 1024 * 1024,
    }
    if args.user:
        options["authenticator"] = make_authenticator(args.user, args.password)
    else:
        options["auth_exclude_mechanism"] = ["LOGIN", "PLAIN"]

    keeper = Keeper(args.folder)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(keeper, loop=loop, **options), "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)

    def stop():
        loop.stop()

    def stdin_readable():
        if not os.read(sys.stdin.fileno(), 4096):
            stop()

    loop.add_reader(sys.stdin.fileno(), stdin_readable)
    loop.add_signal_handler(signal.SIGTERM, stop)
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()
