#include "tmx/transport/BestRoute.h"

#include <arpa/inet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tmx::transport
{

namespace
{
    // Asks the routing table over rtnetlink; the kernel answers, nothing goes on the wire.
    class RouteSocket
    {
    public:
        RouteSocket()
        {
            fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
            if (fd >= 0)
            {
                // The kernel answers at once; the timeout only guards against a lost reply.
                timeval timeout { 1, 0 };
                ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
            }
        }

        ~RouteSocket()
        {
            if (fd >= 0)
                ::close(fd);
        }

        bool isOpen() const noexcept { return fd >= 0; }

        bool sendRequest(nlmsghdr& request)
        {
            request.nlmsg_seq = ++sequence;
            sockaddr_nl kernel {};
            kernel.nl_family = AF_NETLINK;
            return ::sendto(fd, &request, request.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof(kernel))
                   == static_cast<ssize_t>(request.nlmsg_len);
        }

        /** Calls visit for each message of the answer until it is done; false on an error reply. */
        template <typename Visitor>
        bool readAnswer(Visitor&& visit)
        {
            alignas(nlmsghdr) char buffer[16384];

            for (;;)
            {
                const auto received = ::recv(fd, buffer, sizeof(buffer), 0);
                if (received <= 0)
                    return false;

                auto remaining = static_cast<int>(received);
                for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, remaining);
                     message = NLMSG_NEXT(message, remaining))
                {
                    if (message->nlmsg_seq != sequence)
                        continue;
                    if (message->nlmsg_type == NLMSG_ERROR)
                        return reinterpret_cast<const nlmsgerr*>(NLMSG_DATA(message))->error == 0;
                    if (message->nlmsg_type == NLMSG_DONE)
                        return true;
                    visit(*message);
                    if ((message->nlmsg_flags & NLM_F_MULTI) == 0)
                        return true;
                }
            }
        }

    private:
        int fd = -1;
        uint32_t sequence = 0;
    };

    void appendAttribute(nlmsghdr& message, size_t capacity, unsigned short type, const void* data, size_t size)
    {
        const auto length = RTA_LENGTH(size);
        if (NLMSG_ALIGN(message.nlmsg_len) + RTA_ALIGN(length) > capacity)
            return;
        auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&message) + NLMSG_ALIGN(message.nlmsg_len));
        attribute->rta_type = type;
        attribute->rta_len = static_cast<unsigned short>(length);
        std::memcpy(RTA_DATA(attribute), data, size);
        message.nlmsg_len = static_cast<uint32_t>(NLMSG_ALIGN(message.nlmsg_len) + RTA_ALIGN(length));
    }
}

juce::String BestRoute::interfaceAddress()
{
    const auto index = interfaceIndexFor(referenceAddress);
    return index > 0 ? firstAddressOf(index) : juce::String();
}

int BestRoute::interfaceIndexFor(const juce::String& destination)
{
    in_addr target {};
    if (::inet_pton(AF_INET, destination.toRawUTF8(), &target) != 1)
        return 0;

    RouteSocket route;
    if (! route.isOpen())
        return 0;

    struct
    {
        nlmsghdr header;
        rtmsg body;
        char attributes[64];
    } request {};

    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.body.rtm_family = AF_INET;
    request.body.rtm_dst_len = 32;
    appendAttribute(request.header, sizeof(request), RTA_DST, &target, sizeof(target));

    if (! route.sendRequest(request.header))
        return 0;

    int index = 0;
    route.readAnswer([&index](const nlmsghdr& message)
    {
        if (message.nlmsg_type != RTM_NEWROUTE)
            return;
        const auto* body = static_cast<const rtmsg*>(NLMSG_DATA(&message));
        auto length = static_cast<int>(RTM_PAYLOAD(&message));
        for (auto* attribute = RTM_RTA(body); RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length))
            if (attribute->rta_type == RTA_OIF && RTA_PAYLOAD(attribute) >= sizeof(int))
                std::memcpy(&index, RTA_DATA(attribute), sizeof(int));
    });
    return index;
}

juce::String BestRoute::firstAddressOf(int interfaceIndex)
{
    if (interfaceIndex <= 0)
        return {};

    RouteSocket route;
    if (! route.isOpen())
        return {};

    struct
    {
        nlmsghdr header;
        ifaddrmsg body;
    } request {};

    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = RTM_GETADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.body.ifa_family = AF_INET;

    if (! route.sendRequest(request.header))
        return {};

    juce::String first;
    route.readAnswer([&first, interfaceIndex](const nlmsghdr& message)
    {
        if (message.nlmsg_type != RTM_NEWADDR || first.isNotEmpty())
            return;
        const auto* body = static_cast<const ifaddrmsg*>(NLMSG_DATA(&message));
        if (body->ifa_family != AF_INET || static_cast<int>(body->ifa_index) != interfaceIndex)
            return;

        // IFA_LOCAL is the interface's own address; IFA_ADDRESS differs from it only on point-to-point links.
        const void* local = nullptr;
        const void* address = nullptr;
        auto length = static_cast<int>(IFA_PAYLOAD(&message));
        for (auto* attribute = IFA_RTA(body); RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length))
        {
            if (RTA_PAYLOAD(attribute) < sizeof(in_addr))
                continue;
            if (attribute->rta_type == IFA_LOCAL)
                local = RTA_DATA(attribute);
            else if (attribute->rta_type == IFA_ADDRESS)
                address = RTA_DATA(attribute);
        }

        if (const void* chosen = local != nullptr ? local : address)
        {
            char text[INET_ADDRSTRLEN] {};
            if (::inet_ntop(AF_INET, chosen, text, sizeof(text)) != nullptr)
                first = text;
        }
    });
    return first;
}

} // namespace tmx::transport
