#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

/**
    A small HTTP/1.0 server on loopback for one test, on its own thread, one thread per connection. Each path
    gets a canned answer; an unknown path gets 404.
*/
class HttpTestServer
{
public:
    struct Answer
    {
        int status = 200;
        std::string body;
        juce::String location;  // sent as "Location" when set
        int delayMs = 0;        // before anything is sent
        int stallMs = 0;        // when set: announce the whole body, send half, wait this long, then close
        bool sendLength = true; // false: no "Content-Length"; the body ends where the connection does
    };

    HttpTestServer();
    ~HttpTestServer();

    void serve(const juce::String& path, Answer answer);

    /** "http://127.0.0.1:<port>" + path. */
    juce::String url(const juce::String& path) const;

    /** The request paths so far, in arrival order. */
    juce::StringArray requests() const;

private:
    void accept();
    void answer(int client);

    int listenFd = -1, port = 0;
    std::atomic<bool> stopping { false };
    std::thread acceptor;
    std::vector<std::thread> connections;
    mutable std::mutex lock;
    std::map<juce::String, Answer> answers;
    juce::StringArray paths;
};
