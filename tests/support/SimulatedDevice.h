#pragma once

#include "NetNamespace.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/**
    A device at the far end of a veth pair, on its own thread inside its namespace. It speaks what the wire
    formats say, with texts and frames the test gives it (see WireTexts.h), never through the program's classes:
    - JSON family: sends "deviceInfo" texts to 239.12.34.0:1235 and records what arrives for the group on 1236;
    - VESK family: answers the broadcast query on 45455 with a reply sent to the querier's port 45454, and
      records everything arriving on 45455.
    Each device binds both fixed ports, so give each one a namespace of its own.
*/
class SimulatedDevice
{
public:
    static constexpr int jsonCommandPort = 1236;
    static constexpr int veskPort = 45455;

    struct Datagram
    {
        int port = 0;  // where it arrived
        std::vector<uint8_t> bytes;
        juce::String sender, destination;
        int senderPort = 0, ttl = -1, interfaceIndex = 0;
        double ms = 0;  // nowMs()
    };

    /** A device whose own addresses are these (the first is its main one). */
    SimulatedDevice(NetNamespace& ns, juce::StringArray ownAddresses);
    ~SimulatedDevice();

    /** Sends one "deviceInfo" text now through one of its addresses (empty: the main one). */
    bool announce(const std::string& text, const juce::String& via = {});
    /** Sends the text every period, the first at once; an empty text stops. */
    void announceEvery(int periodMs, const std::string& text);
    double lastAnnouncementMs() const;

    /** Answers every query with this reply, after a delay; an empty reply stops answering. */
    void answerQueries(std::vector<uint8_t> reply, int delayMs = 0);
    double lastReplyMs() const;

    bool sendRaw(const juce::String& host, int port, const std::string& bytes, const juce::String& via = {});

    /** What arrived on a port, but the queries; and the queries. */
    std::vector<Datagram> received(int port) const;
    std::vector<Datagram> queries() const;
    void clear();

    int interfaceIndexOf(const juce::String& ownAddress) const;

private:
    void run();
    void receive(int socket, int port);
    bool sendFrom(const juce::String& via, const juce::String& host, int port, const void* data, size_t size);
    std::vector<Datagram> select(int port, bool queries) const;

    NetNamespace& ns;
    juce::StringArray addresses;
    int sendSocket = -1, commandSocket = -1, veskSocket = -1, wakeFd = -1;
    std::atomic<bool> shouldExit { false };
    std::thread thread;

    mutable std::mutex lock;  // everything below
    std::string announcement;
    int periodMs = 0;
    double nextAnnouncementMs = 0, lastAnnouncement = 0, lastReply = 0;
    std::vector<uint8_t> reply;
    int replyDelayMs = 0;
    std::vector<std::pair<double, juce::String>> pendingReplies;  // when, to whom
    std::vector<Datagram> log;
};
