# A local FTP server for the tests: prints its port, then serves until it is killed.
# Usage: ftpserver.py ROOT [nomlsd]   (nomlsd: a server that only knows LIST)
#        ftpserver.py ROOT tls CERT KEY (explicit TLS required on control and data connections)
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

# TW_FTP_LOG names a file for the commands the server receives (passwords masked by pyftpdlib).
if os.environ.get("TW_FTP_LOG"):
    logging.basicConfig(filename=os.environ["TW_FTP_LOG"], level=logging.DEBUG)
else:
    logging.disable(logging.CRITICAL)
root = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_user("tester", "secret", root, perm="elradfmwMT")
authorizer.add_user("reader", "readonly", root, perm="elr")
handler = FTPHandler
if len(sys.argv) > 2 and sys.argv[2] == "nomlsd":
    class ListOnlyHandler(FTPHandler):
        proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in ("MLSD", "MLST")}
    handler = ListOnlyHandler
if len(sys.argv) > 4 and sys.argv[2] == "tls":
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    # libcurl, like other current clients, starts TLS on a data connection as soon as it is
    # open, before the transfer command; pyftpdlib would take the early handshake for a
    # dropped connection and close it.
    class EarlyTlsDTPHandler(TLS_DTPHandler):
        def readable(self):
            if not self._initialized:
                return self._ssl_accepting or self._ssl_want_read
            return super().readable()

    class TlsHandler(TLS_FTPHandler):
        dtp_handler = EarlyTlsDTPHandler
        certfile = sys.argv[3]
        keyfile = sys.argv[4]
        tls_control_required = True
        tls_data_required = True
    handler = TlsHandler
handler.authorizer = authorizer
handler.passive_ports = None
server = FTPServer(("127.0.0.1", 0), handler)
print(server.address[1], flush=True)
server.serve_forever()
