#!/usr/bin/python3
"""The far end of the mail tests, reading what arrives with Python's email package.

  smtp_server.py [--tls] [--login USER PASSWORD]: aiosmtpd on a free port of 127.0.0.1 with
      STARTTLS (a certificate of its own); prints the port, then a JSON line per message it
      accepts (other logins get 535); stops when its input closes
  smtp_server.py sendmail OUT ARGUMENTS...: a stand-in sendmail writing the JSON of its
      input to OUT, exiting with $KESTRANO_SENDMAIL_EXIT

The JSON: envelope or arguments, TLS, login, the raw message in base64, the parse defects,
the From, To and Subject headers, and each leaf part's type, file name and SHA-256.
"""

import asyncio, base64, email, email.policy, hashlib, json, logging, os, ssl, subprocess, sys
import tempfile


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
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
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
serve(sys.argv[1:])
