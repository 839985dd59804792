#!/usr/bin/python3
"""The far end of the mail tests.

  smtp_server.py SCENARIO [SEED]: an SMTP peer on a free port of 127.0.0.1 playing one of
      SCENARIOS; prints the port, and once its input closes what it saw as JSON: the
      sessions, the first two bytes it got in hex, and each message it took
  smtp_server.py --folder FOLDER: a real, independent server (aiosmtpd) on a free port,
      keeping each message as FOLDER/N.eml; prints the port, stops when its input closes
  sendmail ARGUMENTS... (this file by that name): a stand-in writing what it got to
      sendmail.json beside itself, exiting with $KESTRANO_SENDMAIL_EXIT

A message is its raw bytes in base64 and a summary: what the sender did, then as Python's
email package reads it the parse defects, the To header and the last part's type, file name
and SHA-256.
"""

import base64, contextlib, json, os, random, select, socket, sys, threading, time

DEFAULT = {b"EHLO": b"250-peer.test\r\n250 AUTH LOGIN", b"HELO": b"250 peer.test",
           b"MAIL": b"250 OK", b"RCPT": b"250 OK", b"DATA": b"354 Go on", b".": b"250 queued",
           b"QUIT": b"221 Bye", b"AUTH": b"334 VXNlcm5hbWU6", b"LOGIN": b"334 UGFzc3dvcmQ6",
           b"STARTTLS": b"220 Go ahead"}
# Replies in place of DEFAULT's ("<close>": and hang up) and misbehaviour: any bytes answered
# with `anything`, a byte written every `drip` seconds, a hang-up after the greeting or after
# `hang_up_in_data` lines of a message; `login` the only one taken (base64 lines).
SCENARIOS = {
    "silent": dict(greeting=b""),
    "closed": dict(),  # nobody listens
    "queue-full": dict(),  # calls are never taken, and the queue of waiting ones is full
    "plain": dict(anything=b"500 5.5.1 Command unrecognized\r\n"),
    "busy": dict(greeting=b"421 Too busy\r\n", hang_up=True),
    "huge-greeting": dict(greeting=b"220-" + b"x" * (1 << 20) + b"\r\n220 ready\r\n"),
    "huge-ehlo": dict(replies={b"EHLO": b"250-" + b"x" * (1 << 20) + b"\r\n250 AUTH LOGIN"}),
    "endless": dict(replies={b"HELO": b"250-and more\r\n" * (150 << 10)}),
    "drip": dict(drip=0.5),
    "hang-up-in-data": dict(hang_up_in_data=20),
    "hostile": dict(hostile=True),
    "tls": dict(replies={b"EHLO": b"250-peer.test\r\n250-STARTTLS\r\n250 AUTH LOGIN"},
                tls=True, login=[b"YW5u", b"czNjcmV0"]),
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
    reply = b"".join(rnd.choice(CODES[:12]) + b"-" + text + b"\r\n"
                     for _ in range(rnd.randrange(3)))
    reply += b"250-STARTTLS\r\n" if key == b"EHLO" and rnd.randrange(3) == 0 else b""
    reply += (rnd.choice(CODES) if rnd.randrange(8) == 0 else expected) + b" " + text
    return reply + (b"<close>" if rnd.randrange(20) == 0 else b"")


def facts(raw, *did):
    import email, email.policy, hashlib
    message = email.message_from_bytes(raw, policy=email.policy.default)
    last = list(message.walk())[-1]
    return dict(content=base64.b64encode(raw).decode(), summary=" ".join(map(str, [
        *did, sum(len(part.defects) for part in message.walk()), message.get("To", ""),
        last.get_content_type(), last.get_filename(),
        hashlib.sha256(last.get_payload(decode=True) or b"").hexdigest()])))


def session(conn, o, rnd, seen):
    def write(data):
        for at in range(0, len(data), 1 if "drip" in o else max(len(data), 1)):
            conn.sendall(data[at:at + 1] if "drip" in o else data)
            time.sleep(o.get("drip", 0))

    seen["sessions"] += 1
    greeting = o.get("greeting", b"220 peer.test\r\n")
    if o.get("hostile") and rnd.randrange(4) == 0:
        greeting = hostile(rnd, b"GREETING").replace(b"<close>", b"") + b"\r\n"
    write(greeting)
    pending, lines, login, user, data, challenged = b"", [], [], "", False, False
    while not o.get("hang_up") and (chunk := conn.recv(1 << 16)):
        seen["head"] = seen["head"] or chunk[:2].hex()
        write(o.get("anything", b""))
        pending += chunk if "anything" not in o else b""
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            if data and line.strip() != b".":
                lines.append(line.removeprefix(b".") + b"\n")  # the sender's dots stuffed
                if len(lines) == o.get("hang_up_in_data"):
                    return
                continue
            key = b"." if data else b"LOGIN" if challenged else line.split(b" ")[0].strip().upper()
            login += [line.strip()] if key == b"LOGIN" else []
            if o.get("hostile"):
                reply = hostile(rnd, key)
            elif len(login) == 2:
                user = base64.b64decode(login[0]).decode() if login == o.get("login", login) else ""
                reply, login = b"235 Authenticated" if user else b"535 Refused", []
            else:
                reply = o.get("replies", {}).get(key, DEFAULT.get(key, b"500 Unknown"))
            last = reply[reply.rfind(b"\n") + 1:]
            if key == b"." and last.startswith(b"250"):
                seen["taken"].append((b"".join(lines), type(conn).__name__, user))
            challenged, data = last.startswith(b"334"), key == b"DATA" and last.startswith(b"354")
            lines = [] if data else lines
            answer = reply.removesuffix(b"<close>")
            write(answer if answer.endswith(b"\n") else answer + b"\r\n")
            if answer != reply:
                return
            if key == b"STARTTLS" and o.get("tls"):
                conn, pending = o["tls"].wrap_socket(conn, server_side=True), b""


def peer(name, seed):
    o, seen, rnd = SCENARIOS[name], dict(sessions=0, head="", taken=[]), random.Random(seed)
    listener = socket.create_server(("127.0.0.1", 0), backlog=0 if name == "queue-full" else 8)
    address, calls = listener.getsockname(), []
    while name == "queue-full" and len(calls) < 16:  # the kernel completes calls for the queue
        calls.append(socket.socket())
        calls[-1].setblocking(False)
        calls[-1].connect_ex(address)
        if not select.select([], calls[-1:], [], 0.2)[1]:
            break
    if o.get("tls"):
        import ssl, subprocess, tempfile
        o = dict(o, tls=ssl.create_default_context(ssl.Purpose.CLIENT_AUTH))
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", folder + "/key",
                            "-out", folder + "/cert", "-subj", "/CN=localhost"], check=True,
                           stderr=subprocess.DEVNULL)
            o["tls"].load_cert_chain(folder + "/cert", folder + "/key")

    def run(conn):
        with conn, contextlib.suppress(OSError, ValueError):
            session(conn, o, rnd, seen)
            conn.shutdown(socket.SHUT_WR)

    def take():
        while name not in ("closed", "queue-full"):
            threading.Thread(target=run, args=(listener.accept()[0],), daemon=True).start()

    threading.Thread(target=take, daemon=True).start()
    if name == "closed":
        listener.close()
    print(address[1], flush=True)
    sys.stdin.read()
    seen["taken"] = [facts(*message) for message in seen["taken"]]
    print(json.dumps(seen), flush=True)


def real(folder):
    import asyncio, logging
    from aiosmtpd.smtp import SMTP
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    class Keeper:
        async def handle_DATA(self, server, session, envelope):
            Keeper.count = getattr(Keeper, "count", 0) + 1
            with open(f"{folder}/{Keeper.count}.eml", "wb") as out:
                out.write(envelope.original_content)
            return "250 OK message accepted"

    loop = asyncio.new_event_loop()
    # A fixed name: the default asks the resolver, which hangs where there is no DNS.
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(Keeper(), hostname="mail.kestrano.test", loop=loop), "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)
    loop.add_reader(0, lambda: os.read(0, 4096) or loop.stop())
    loop.run_forever()


if os.path.basename(sys.argv[0]) == "sendmail":
    with open(sys.argv[0] + ".json", "w") as out:
        json.dump(facts(sys.stdin.buffer.read(), *sys.argv[1:]), out)
    sys.exit(int(os.environ.get("KESTRANO_SENDMAIL_EXIT", "0")))
if sys.argv[1] == "--folder":
    sys.exit(real(sys.argv[2]))
peer(sys.argv[1], (sys.argv[2:] or ["0"])[0])
