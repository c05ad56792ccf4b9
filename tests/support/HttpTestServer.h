#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/**
    A real HTTP server on loopback for one test: Python's http.server serving the files of its own
    folder with a Content-Length. Besides plain files it understands two path prefixes:
    "/slow/<ms>/<path>" answers after a delay, "/truncated/<path>" announces the whole file but
    closes the connection after half of it, and "/stalled/<path>" sends half and then waits a minute. Run tests that use it inside a network namespace.
*/
class HttpTestServer
{
public:
    HttpTestServer();
    ~HttpTestServer();

    /** Starts the server and waits until it listens; false when it could not be started. */
    bool start();
    void stop();

    int getPort() const { return port; }

    /** "http://127.0.0.1:<port>" + path. */
    juce::String url(const juce::String& path) const;

    /** Writes a file that the server then serves under "/" + relativePath. */
    juce::File addFile(const juce::String& relativePath, const juce::String& content) const;
    juce::File addFile(const juce::String& relativePath, const juce::MemoryBlock& content) const;

    void removeFile(const juce::String& relativePath) const { root.getChildFile(relativePath).deleteFile(); }

    /** The request paths served so far, in arrival order. */
    juce::StringArray requests() const;

    /** A private scratch folder that is removed with the server. */
    juce::File scratchFolder() const { return base.getChildFile("scratch"); }

    /** A loopback address on which nothing listens. */
    static juce::String unreachableUrl(const juce::String& path);

private:
    juce::File base;
    juce::File root;
    int port = -1;
    std::unique_ptr<juce::ChildProcess> process;

    JUCE_DECLARE_NON_COPYABLE(HttpTestServer)
};
