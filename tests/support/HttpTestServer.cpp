#include "HttpTestServer.h"

#include <juce_core/juce_core.h>

namespace
{
const char* const serverScript = R"PY(
import http.server, os, sys, time

root, base = sys.argv[1], sys.argv[2]
sys.stderr = open(os.path.join(base, 'server.err'), 'a', buffering=1)

class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(os.path.join(base, 'requests.log'), 'a') as log:
            log.write(self.path + '\n')
        if self.path.startswith('/slow/'):
            _, _, ms, rest = self.path.split('/', 3)
            time.sleep(int(ms) / 1000.0)
            self.path = '/' + rest
        for prefix, pause in (('/truncated/', 0), ('/stalled/', 60)):
            if self.path.startswith(prefix):
                with open(os.path.join(root, self.path[len(prefix):]), 'rb') as f:
                    data = f.read()
                self.send_response(200)
                self.send_header('Content-Length', str(len(data)))
                self.end_headers()
                self.wfile.write(data[:len(data) // 2])
                self.wfile.flush()
                time.sleep(pause)
                self.close_connection = True
                return
        super().do_GET()

class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

server = Server(('127.0.0.1', 0), Handler)
with open(os.path.join(base, 'port.tmp'), 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(os.path.join(base, 'port.tmp'), os.path.join(base, 'port'))
server.serve_forever()
)PY";
}  // namespace

HttpTestServer::HttpTestServer()
{
    // Test processes run side by side: the folder name must not collide.
    const auto name = "brelm_http_" + juce::String(juce::Time::currentTimeMillis()) + "_"
                      + juce::String::toHexString(juce::Random::getSystemRandom().nextInt64());
    base = juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile(name, "", false);
    root = base.getChildFile("root");
    root.createDirectory();
    scratchFolder().createDirectory();
}

HttpTestServer::~HttpTestServer()
{
    stop();
    base.deleteRecursively();
}

bool HttpTestServer::start()
{
    const auto script = base.getChildFile("server.py");

    if (!script.replaceWithText(serverScript, false, false, "\n"))
        return false;

    const auto python = juce::File("/usr/bin/python3").existsAsFile() ? juce::String("/usr/bin/python3")
                                                                       : juce::String("python3");
    process = std::make_unique<juce::ChildProcess>();

    if (!process->start(juce::StringArray { python, "-u", script.getFullPathName(), root.getFullPathName(),
                                            base.getFullPathName() },
                        0))
        return false;

    const auto portFile = base.getChildFile("port");
    const auto deadline = juce::Time::getMillisecondCounter() + 30000;

    while (juce::Time::getMillisecondCounter() < deadline)
    {
        if (portFile.existsAsFile())
        {
            port = portFile.loadFileAsString().trim().getIntValue();
            return port > 0;
        }

        if (!process->isRunning())
            return false;

        juce::Thread::sleep(20);
    }

    return false;
}

void HttpTestServer::stop()
{
    if (process == nullptr)
        return;

    process->kill();

    // Reap the child so no zombie outlives the test.
    const auto deadline = juce::Time::getMillisecondCounter() + 10000;

    while (process->isRunning() && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep(10);

    process.reset();
}

juce::String HttpTestServer::url(const juce::String& path) const
{
    return "http://127.0.0.1:" + juce::String(port) + path;
}

juce::File HttpTestServer::addFile(const juce::String& relativePath, const juce::String& content) const
{
    return addFile(relativePath, juce::MemoryBlock(content.toRawUTF8(), content.getNumBytesAsUTF8()));
}

juce::File HttpTestServer::addFile(const juce::String& relativePath, const juce::MemoryBlock& content) const
{
    auto file = root.getChildFile(relativePath);
    file.getParentDirectory().createDirectory();
    file.replaceWithData(content.getData(), content.getSize());
    return file;
}

juce::StringArray HttpTestServer::requests() const
{
    juce::StringArray lines;
    lines.addLines(base.getChildFile("requests.log").loadFileAsString());
    lines.removeEmptyStrings();
    return lines;
}

juce::String HttpTestServer::unreachableUrl(const juce::String& path)
{
    // Nothing listens on port 1 of a test's own network namespace.
    return "http://127.0.0.1:1" + path;
}
