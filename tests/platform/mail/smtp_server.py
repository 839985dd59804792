#!/usr/bin/python3
"""The far end of the mail tests. Each server prints its port on 127.0.0.1 first and stops
when its input closes.

  smtp_server.py [--tls] [--login USER PASSWORD]: aiosmtpd offering STARTTLS (a certificate
      of its own); a JSON line per message it accepts (other logins get 535)
  smtp_server.py peer SCENARIO [SEED]: a scripted peer of SCENARIOS; once its input closes,
      a JSON line of its sessions, messages taken, bytes got and the first two in hex
  smtp_server.py sendmail OUT ARGUMENTS...: a stand-in sendmail writing the JSON of its
      input to OUT, exiting with $KESTRANO_SENDMAIL_EXIT

A message's JSON: envelope or arguments, TLS, login, the raw message in base64, the parse
defects, the From, To and Subject headers, and each leaf part's type, file name and SHA-256.
"""

import base64, email, email.policy, hashlib, json, os, random, select, socket, sys, threading
import time

DEFAULT = {b"EHLO": b"250-peer.test\r\n250 AUTH LOGIN", b"HELO": b"250 peer.test",
           b"MAIL": b"250 OK", b"RCPT": b"250 OK", b"RSET": b"250 OK", b"DATA": b"354 Go on",
           b".": b"250 queued", b"QUIT": b"221 Bye", b"AUTH": b"334 VXNlcm5hbWU6",
           b"LOGIN": b"334 UGFzc3dvcmQ6", b"LOGIN2": b"235 Authenticated"}
MB = b"x" * (1 << 20)
# The peer's greeting, replies put in place of DEFAULT's, and how it misbehaves: any bytes
# answered with `anything`, a byte written every `drip` seconds, a hang-up after `farewell`
# once `hang_up_after` bytes came, or after `hang_up_in_data` lines of a message.
SCENARIOS = {
    "silent": dict(greeting=b""),
    "plain": dict(anything=b"500 5.5.1 Command unrecognized\r\n"),
    "bulk": dict(greeting=b"220 ready\r\n", farewell=b"221 Closing\r\n", hang_up_after=6 << 20),
    "huge-greeting": dict(greeting=b"220-" + MB + b"\r\n220 ready\r\n"),
    "huge-ehlo": dict(replies={b"EHLO": b"250-" + MB + b"\r\n250 AUTH LOGIN"}),
    "endless": dict(replies={b"HELO": b"250-and more\r\n" * (150 << 10)}),
    "drip": dict(drip=1.0),
    "hang-up-in-data": dict(hang_up_in_data=20),
    "hostile": dict(hostile=True),
    "queue-full": dict(),  # calls are never taken and the queue of waiting ones is full
}
CODES = b"220 250 251 334 354 235 421 454 503 550 999 000 2 25".split() + [b""]
EXPECTED = {b"DATA": b"354", b"AUTH": b"334", b"STARTTLS": b"220", b"QUIT": b"221"}


def hostile(rnd, key):
    """A reply as a broken or hostile server might give it: mostly with the code the command
    expects, now and then any other or none; continuation lines; text with control bytes,
    NULs and bytes that are no text; now and then a hang-up."""
    text = bytes(rnd.randrange(256) for _ in range(rnd.randrange(40)))
    text = text.replace(b"\n", b"?").replace(b"-", b"?")
    expected = rnd.choice([b"334", b"235"]) if key == b"LOGIN" else EXPECTED.get(key, b"250")
    reply = b"".join(rnd.choice(CODES[:12]) + b"-" + text + b"\r\n" for _ in range(rnd.randrange(3)))
    reply += b"250-STARTTLS\r\n" if key == b"EHLO" and rnd.randrange(3) == 0 else b""
    reply += (rnd.choice(CODES) if rnd.randrange(8) == 0 else expected) + b" " + text
    return reply + (b"<close>" if rnd.randrange(20) == 0 else b"")


def session(conn, o, rnd, seen):
    def write(data):
        step = 1 if "drip" in o else max(len(data), 1)
        for at in range(0, len(data), step):
            conn.sendall(data[at:at + step])
            time.sleep(o.get("drip", 0))

    seen["sessions"] += 1
    greeting = o.get("greeting", b"220 peer.test\r\n")
    if o.get("hostile") and rnd.randrange(4) == 0:
        greeting = hostile(rnd, b"GREETING").replace(b"<close>", b"") + b"\r\n"
    write(greeting)
    replies = {**DEFAULT, **o.get("replies", {})}
    pending, got, lines, logins, in_data, challenged = b"", 0, 0, 0, False, False
    while chunk := conn.recv(1 << 16):
        seen["head"], got = seen["head"] or chunk[:2].hex(), got + len(chunk)
        if "anything" in o or "hang_up_after" in o:
            if got >= o.get("hang_up_after", got):
                return write(o.get("anything", o.get("farewell")))
            continue
        pending += chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            if in_data and line.strip() != b".":
                lines += 1
                if lines == o.get("hang_up_in_data"):
                    return
                continue
            key = b"." if in_data else b"LOGIN" if challenged else line.split(b" ")[0].strip().upper()
            logins += key == b"LOGIN"
            reply = hostile(rnd, key) if o.get("hostile") else replies.get(
                b"LOGIN2" if key == b"LOGIN" and logins % 2 == 0 else key, b"500 Unrecognized")
            last = reply[reply.rfind(b"\n") + 1:]
            seen["taken"] += key == b"." and last.startswith(b"250")
            challenged, in_data = last.startswith(b"334"), key == b"DATA" and last.startswith(b"354")
            answer = reply.removesuffix(b"<close>")
            write(answer if answer.endswith(b"\n") else answer + b"\r\n")
            if answer != reply:
                return


def peer(name, seed):
    o, seen, rnd = SCENARIOS[name], dict(sessions=0, taken=0, head=""), random.Random(seed)
    listener = socket.create_server(("127.0.0.1", 0), backlog=0 if name == "queue-full" else 8)
    address, calls = listener.getsockname(), []
    while name == "queue-full" and len(calls) < 16:  # the kernel completes calls for the queue
        calls.append(socket.socket())
        calls[-1].setblocking(False)
        calls[-1].connect_ex(address)
        if not select.select([], calls[-1:], [], 0.2)[1]:
            break

    def run(conn):
        with conn:
            try:
                session(conn, o, rnd, seen)
                conn.shutdown(socket.SHUT_WR)
            except OSError:
                pass

    def take():
        while name != "queue-full":
            threading.Thread(target=run, args=(listener.accept()[0],), daemon=True).start()

    threading.Thread(target=take, daemon=True).start()
    print(address[1], flush=True)
    sys.stdin.read()
    print(json.dumps(seen), flush=True)


def facts(raw, **more):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    return dict(more, content=base64.b64encode(raw).decode(),
                defects=sum(len(part.defects) for part in message.walk()),
                headers={name: str(message.get(name, "")) for name in ("From", "To", "Subject")},
                parts=[[part.get_content_type(), part.get_filename() or "",
                        hashlib.sha256(part.get_payload(decode=True) or b"").hexdigest()]
                       for part in message.walk() if not part.is_multipart()])


class Keeper:
    async def handle_DATA(self, server, session, envelope):
        login = getattr(session.auth_data, "login", b"").decode()
        print(json.dumps(facts(envelope.original_content, mail_from=envelope.mail_from,
                               rcpt_tos=envelope.rcpt_tos, tls=session.ssl is not None,
                               login=login)), flush=True)
        return "250 OK message accepted"


def serve(args):
    import asyncio, logging, ssl, subprocess, tempfile
    from aiosmtpd.smtp import SMTP, AuthResult
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    # A fixed name: the default asks the resolver, which hangs where there is no DNS.
    options = dict(hostname="mail.kestrano.test", auth_require_tls=False, data_size_limit=1 << 26,
                   auth_exclude_mechanism=["PLAIN"] + ([] if "--login" in args else ["LOGIN"]))
    folder = tempfile.TemporaryDirectory()
    if "--tls" in args:
        cert, key = (os.path.join(folder.name, name) for name in ("cert.pem", "key.pem"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
                        "-subj", "/CN=localhost"], check=True, stderr=subprocess.DEVNULL)
        options["tls_context"] = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        options["tls_context"].load_cert_chain(cert, key)
    if "--login" in args:
        known = tuple(s.encode() for s in args[args.index("--login") + 1:][:2])
        options["authenticator"] = lambda server, session, envelope, mechanism, data: AuthResult(
            success=(data.login, data.password) == known, handled=False, auth_data=data)
    loop = asyncio.new_event_loop()
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(Keeper(), loop=loop, **options), "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)
    loop.add_reader(0, lambda: os.read(0, 4096) or loop.stop())
    loop.run_forever()


if sys.argv[1:2] == ["sendmail"]:
    with open(sys.argv[2], "w") as out:
        json.dump(facts(sys.stdin.buffer.read(), arguments=sys.argv[3:]), out)
    sys.exit(int(os.environ.get("KESTRANO_SENDMAIL_EXIT", "0")))
elif sys.argv[1:2] == ["peer"]:
    peer(sys.argv[2], int((sys.argv[3:] or ["0"])[0]))
else:
    serve(sys.argv[1:])
