# A local FTP server for the tests: prints its port, then serves until it is killed.
# Usage: ftpserver.py ROOT [nomlsd]   (nomlsd: a server that only knows LIST)
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

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
handler.authorizer = authorizer
handler.passive_ports = None
server = FTPServer(("127.0.0.1", 0), handler)
print(server.address[1], flush=True)
server.serve_forever()
