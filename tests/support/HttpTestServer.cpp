#include "HttpTestServer.h"
#include "MessageLoopWait.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

HttpTestServer::HttpTestServer()
{
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    ::bind(listenFd, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listenFd, 16);
    ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    acceptor = std::thread([this] { accept(); });
}

HttpTestServer::~HttpTestServer()
{
    stopping = true;
    acceptor.join();
    for (auto& connection : connections)
        connection.join();
    ::close(listenFd);
}

void HttpTestServer::serve(const juce::String& path, Answer answerToGive)
{
    std::lock_guard<std::mutex> guard(lock);
    answers[path] = std::move(answerToGive);
}

juce::String HttpTestServer::url(const juce::String& path) const
{
    return "http://127.0.0.1:" + juce::String(port) + path;
}

juce::StringArray HttpTestServer::requests() const
{
    std::lock_guard<std::mutex> guard(lock);
    return paths;
}

void HttpTestServer::accept()
{
    while (! stopping)
    {
        pollfd fd { listenFd, POLLIN, 0 };
        if (::poll(&fd, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            connections.emplace_back([this, client] { answer(client); ::close(client); });
    }
}

void HttpTestServer::answer(int client)
{
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos)
    {
        pollfd fd { client, POLLIN, 0 };
        if (stopping || ::poll(&fd, 1, 50) < 0)
            return;
        if (fd.revents == 0)
            continue;
        const auto n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }

    const auto path = juce::String(request).fromFirstOccurrenceOf(" ", false, false).upToFirstOccurrenceOf(" ", false, false);
    Answer a { 404, "not found" };
    {
        std::lock_guard<std::mutex> guard(lock);
        paths.add(path);
        if (const auto found = answers.find(path); found != answers.end())
            a = found->second;
    }

    const auto wait = [this](int ms) { waitFor([this] { return stopping.load(); }, ms); };
    wait(a.delayMs);

    std::string head = "HTTP/1.0 " + std::to_string(a.status) + " X\r\n"
                       + (a.sendLength ? "Content-Length: " + std::to_string(a.body.size()) + "\r\n" : "")
                       + (a.location.isEmpty() ? "" : "Location: " + a.location.toStdString() + "\r\n") + "\r\n";
    const auto body = a.stallMs > 0 ? a.body.substr(0, a.body.size() / 2) : a.body;
    const auto all = head + body;
    ::send(client, all.data(), all.size(), MSG_NOSIGNAL);
    wait(a.stallMs);
}
