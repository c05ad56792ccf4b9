#pragma once

#include "NetNamespace.h"

#include <juce_core/juce_core.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/**
    A device on the other end of a veth pair, speaking both wire formats on its own thread inside its
    namespace. The formats are written here from their byte-level description, independently of the
    program's protocol classes, so the two check each other.

    - JSON family: sends "deviceInfo" to 239.12.34.0:1235 every period while announcing, and records
      what arrives for the group on port 1236.
    - VESK family: answers the 23-byte query on port 45455 with a 219-byte reply sent back to the
      querier's address on port 45454, and records every datagram on 45455.

    Every received datagram is recorded with its receiving interface and TTL. The device binds the fixed
    ports of both formats, so give each device a namespace of its own (TestNetwork::addHost).
*/
class SimulatedDevice
{
public:
    static constexpr const char* group = "239.12.34.0";
    static constexpr int announcePort = 1235;
    static constexpr int jsonCommandPort = 1236;
    static constexpr int veskPort = 45455;
    static constexpr int veskReplyPort = 45454;

    struct Interface
    {
        std::string name = "eth0";
        std::string ip;
        std::string mac;
        bool dhcp = false;
        std::string mask = "255.255.255.0";
        std::string gw;
        std::string dns1;
        std::string dns2;
    };

    /** What the device says in its "deviceInfo" message. */
    struct JsonIdentity
    {
        std::string api = "TMXv1";
        std::string name = "Sim device";
        std::string model = "SIM-1";
        std::string fw = "1.0.0";
        std::string ip;
        int port = 80;
        std::string web;
        bool finder = false;
        bool finderStatus = false;
        std::vector<Interface> networks;
        bool tarn = false;
        std::string workspaceUUID;
        bool isHost = false;

        std::string toJson() const;
    };

    /** What the device puts in its broadcast reply. */
    struct VeskIdentity
    {
        bool formB = false;
        std::string model = "XVESK-8";
        std::string name = "Sim vesk";
        std::array<uint8_t, 6> mac { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E };
        uint8_t mode = 1;
        std::string ip;  // empty: the device's own address
        std::string mask = "255.255.255.0";
        std::string gw = "0.0.0.0";
        std::string host;
        std::string fw = "2.1";
        bool finder = false;

        std::vector<uint8_t> toReply(const std::string& ownAddress) const;
        std::string macText() const;
    };

    struct Datagram
    {
        int localPort = 0;
        std::vector<uint8_t> bytes;
        juce::String senderAddress;
        int senderPort = 0;
        int ttl = -1;
        int interfaceIndex = 0;
        juce::String destination;  // the datagram's destination address
        double receivedMs = 0;     // juce::Time::getMillisecondCounterHiRes

        std::string text() const { return std::string(bytes.begin(), bytes.end()); }
    };

    /** The query the program broadcasts, as the device recognises it. */
    static std::vector<uint8_t> queryFrame();

    /** A device in the namespace whose own addresses are given (the first is its main address). */
    SimulatedDevice(NetNamespace& ns, juce::StringArray ownAddresses);
    ~SimulatedDevice();

    bool isRunning() const noexcept { return running; }

    // JSON family ---------------------------------------------------------------------------------
    void setIdentity(const JsonIdentity& identity);
    /** Sends this text instead of the identity's message (for malformed or unusual messages). */
    void setRawDeviceInfo(const std::string& text);
    /** Starts sending "deviceInfo" every period, the first at once, through the given own address
        (empty: the main one). */
    void startAnnouncing(int periodMs, const juce::String& via = {});
    void stopAnnouncing();
    /** Sends one "deviceInfo" now; false when the send failed. */
    bool announceOnce(const juce::String& via = {});
    int announcementsSent() const;
    /** When the last "deviceInfo" left, on juce::Time::getMillisecondCounterHiRes. */
    double lastAnnouncementMs() const;

    // VESK family ---------------------------------------------------------------------------------
    void answerQueries(const VeskIdentity& identity);
    void stopAnswering();

    /** Sends any bytes from the device's namespace, through the given own address. */
    bool sendRaw(const juce::String& host, int port, const void* data, size_t size, const juce::String& via = {});

    // What arrived ---------------------------------------------------------------------------------
    std::vector<Datagram> received() const;
    std::vector<Datagram> receivedOn(int port) const;
    size_t countOn(int port) const;
    std::vector<Datagram> queries() const;
    void clearReceived();

    /** Interface index of one of the device's own addresses, as the namespace knows it. */
    int interfaceIndexOf(const juce::String& ownAddress) const;

private:
    void run(std::promise<bool>& ready);
    bool openSockets();
    void closeSockets();
    void receiveFrom(int socket, int localPort);
    bool sendAnnouncement(const juce::String& via);
    bool selectOutgoing(const juce::String& via);
    void wake();

    NetNamespace& ns;
    juce::StringArray addresses;

    int announceSocket = -1, commandSocket = -1, veskSocket = -1, wakeFd = -1;
    std::atomic<bool> running { false };
    std::atomic<bool> shouldExit { false };
    std::thread thread;

    mutable std::mutex lock;  // guards everything below and the announce socket's interface choice
    std::string deviceInfoText;
    bool announcing = false;
    int announcePeriodMs = 1000;
    juce::String announceVia;
    double nextAnnouncementMs = 0;
    int sentCount = 0;
    double lastSentMs = 0;
    bool answering = false;
    VeskIdentity vesk;
    std::vector<Datagram> log;
    std::map<juce::String, int> interfaceIndexes;

    JUCE_DECLARE_NON_COPYABLE(SimulatedDevice)
};
