"""A real SMTP server for the mail tests and benchmarks: aiosmtpd on
127.0.0.1, a free port printed on the first line of standard output.

  aiosmtpd_server.py MODE OUTDIR [CERT KEY]
    MODE   plain | plain-auth | starttls | ssl   (the TLS modes require AUTH
           with user "notice" and password "密码 1")
    OUTDIR where message N is kept as N.eml (the bytes received) and N.json
           (envelope and the decoded headers, body and attachments); "-" keeps
           nothing (benchmarks)

A recipient whose local part is "refused" is answered 550, as a server
answers an unknown mailbox.
"""
import asyncio
import email
import email.policy
import hashlib
import json
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

warnings.simplefilter("ignore")  # AUTH without TLS is what plain-auth tests
logging.getLogger("mail.log").setLevel(logging.ERROR)

mode, outdir = sys.argv[1], sys.argv[2]
context = None
if mode in ("starttls", "ssl"):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(sys.argv[3], sys.argv[4])


class Handler:
    def __init__(self):
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused@"):
            return "550 5.1.1 <%s>: mailbox unavailable" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        number = self.count
        self.count += 1
        if outdir == "-":
            return "250 OK"
        raw = envelope.original_content
        with open(os.path.join(outdir, "%d.eml" % number), "wb") as f:
            f.write(raw)
        message = email.message_from_bytes(raw, policy=email.policy.default)
        body = message.get_body(("plain",))
        info = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "login": (session.auth_data.login.decode("utf-8")
                      if isinstance(session.auth_data, LoginPassword) else None),
            "subject": str(message["subject"]),
            "from": str(message["from"]),
            "to": str(message["to"]),
            "body": body.get_content() if body is not None else None,
            "attachments": [
                {
                    "name": part.get_filename(),
                    "size": len(part.get_content()),
                    "sha256": hashlib.sha256(part.get_content()).hexdigest(),
                }
                for part in message.iter_attachments()
            ],
        }
        with open(os.path.join(outdir, "%d.json" % number), "w", encoding="utf-8") as f:
            json.dump(info, f, ensure_ascii=False)
        return "250 OK queued as %d" % number


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login == b"notice"
          and auth_data.password == "密码 1".encode("utf-8"))
    return AuthResult(success=ok, handled=False, auth_data=auth_data)


async def main():
    handler = Handler()
    secure = mode in ("starttls", "ssl")
    needs_auth = secure or mode == "plain-auth"

    def factory():
        return SMTP(handler, hostname="mail.test", data_size_limit=0,
                    tls_context=context if mode == "starttls" else None,
                    require_starttls=mode == "starttls",
                    authenticator=authenticate if needs_auth else None,
                    auth_required=needs_auth,
                    # aiosmtpd knows only its own STARTTLS as encryption.
                    auth_require_tls=mode == "starttls")

    loop = asyncio.get_running_loop()
    server = await loop.create_server(factory, "127.0.0.1", 0,
                                      ssl=context if mode == "ssl" else None, backlog=512)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main())
