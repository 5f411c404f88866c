# A local HTTP server for the installer download tests. It serves the files of the folder given
# as its argument, and /status/<code>/<size> answers with that status and a body of that size.
# It listens on a free port of 127.0.0.1, prints the port as its first line and then one line
# for each request.
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        print('GET', self.path, flush=True)
        parts = self.path.strip('/').split('/')
        if len(parts) == 3 and parts[0] == 'status':
            code, size = int(parts[1]), int(parts[2])
            self.send_response(code)
            self.send_header('Content-Type', 'text/html')
            self.send_header('Content-Length', str(size))
            self.end_headers()
            self.wfile.write(b'x' * size)
            return
        super().do_GET()

    def log_message(self, format, *args):
        pass


server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Handler, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()
