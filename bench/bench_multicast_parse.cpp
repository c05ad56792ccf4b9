// MulticastProtocol::parse of a typical "deviceInfo" datagram against general JSON libraries doing the same job:
// parse the text, check "api" and "msg", and fill the same DeviceEvent (MAC normalisation, id and expiry included).
// Every contender must produce the same record as MulticastProtocol before anything is timed.

#include "support/WireTexts.h"
#include "tmx/protocol/MulticastProtocol.h"
#include "tmx/protocol/ProtocolText.h"

#include <benchmark/benchmark.h>
#include <juce_core/juce_core.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <simdjson.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace
{

constexpr const char* datagram = wire::typicalDeviceInfo;  // the datagram the protocol tests read too
constexpr size_t datagramSize = sizeof(wire::typicalDeviceInfo) - 1;

const juce::String sender("192.168.10.41");

// ------------------------------------------------------------------ the extraction rules every contender shares

uint16_t portFromNumber(double value)
{
    const double whole = std::trunc(value);
    if (! (whole >= -2147483648.0 && whole <= 2147483647.0))
        return 0;
    return static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(whole)) & 0xFFFFu);
}

void deviceString(tmx::DeviceInfo& d, std::string_view key, std::string_view v)
{
    if (key == "name")
        d.name.assign(v);
    else if (key == "model")
        d.model.assign(v);
    else if (key == "fw")
        d.fw.assign(v);
    else if (key == "ip")
        d.ip.assign(v);
    else if (key == "web")
        d.web.assign(v);
}

void deviceNumber(tmx::DeviceInfo& d, std::string_view key, double v)
{
    if (key == "port")
        d.port = portFromNumber(v);
}

void deviceBool(tmx::DeviceInfo& d, std::string_view key, bool v)
{
    if (key == "finder")
        d.finder = v;
    else if (key == "finderStatus")
        d.finderStatus = v;
}

void networkString(tmx::NetworkInfo& n, std::string_view key, std::string_view v)
{
    if (key == "ip")
    {
        n.ip.assign(v);
        n.state = v == "0.0.0.0" ? 1 : 2;
    }
    else if (key == "mac")
    {
        auto mac = tmx::protocol::normaliseMacAddress(v);
        if (! mac.empty())
            n.mac = std::move(mac);
    }
    else if (key == "name")
        n.name.assign(v);
    else if (key == "mask")
        n.mask.assign(v);
    else if (key == "gw")
        n.gw.assign(v);
    else if (key == "dns1")
        n.dns1.assign(v);
    else if (key == "dns2")
        n.dns2.assign(v);
}

void networkBool(tmx::NetworkInfo& n, std::string_view key, bool v)
{
    if (key == "dhcp")
        n.dhcp = v;
}

void tarnString(tmx::TarnInfo& t, std::string_view key, std::string_view v)
{
    if (key == "workspaceUUID")
        t.workspaceUUID.assign(v);
}

void tarnBool(tmx::TarnInfo& t, std::string_view key, bool v)
{
    if (key == "isHost")
        t.isHost = v;
}

bool acceptHeader(std::string_view api, std::string_view msg)
{
    return api.size() >= 3 && api.substr(0, 3) == "TMX" && msg == "deviceInfo";
}

void beginRecord(tmx::DeviceEvent& out)
{
    out.senderAddress = sender;
    out.senderPort = 1236;
    out.info = tmx::DeviceInfo();
    out.info.protocolId = 2;
}

void finishRecord(tmx::DeviceInfo& d)
{
    std::string id;
    for (const auto& n : d.networks)
        if (n.state != 0)
            id += n.mac + "-";
    d.id = id + tmx::protocol::toDecimalString(d.port);
    d.expiry = juce::Time::getCurrentTime() + juce::RelativeTime::seconds(5.0);
}

// ------------------------------------------------------------------ contenders

bool parseWithProtocol(tmx::DeviceEvent& out)
{
    static tmx::protocol::MulticastProtocol protocol;
    int kind = 0;
    return protocol.parse(datagram, datagramSize, sender, 1236, kind, out) && kind == 4;
}

bool parseWithNlohmann(tmx::DeviceEvent& out)
{
    const auto doc = nlohmann::json::parse(datagram, datagram + datagramSize, nullptr, false);
    if (doc.is_discarded() || ! doc.is_object())
        return false;
    const auto api = doc.find("api");
    const auto msg = doc.find("msg");
    if (api == doc.end() || msg == doc.end() || ! api->is_string() || ! msg->is_string()
        || ! acceptHeader(api->get_ref<const std::string&>(), msg->get_ref<const std::string&>()))
        return false;

    beginRecord(out);
    auto& d = out.info;
    for (auto it = doc.begin(); it != doc.end(); ++it)
    {
        const std::string& key = it.key();
        const auto& v = it.value();
        if (v.is_string())
            deviceString(d, key, v.get_ref<const std::string&>());
        else if (v.is_number())
            deviceNumber(d, key, v.get<double>());
        else if (v.is_boolean())
            deviceBool(d, key, v.get<bool>());
        else if (v.is_array() && key == "networks")
        {
            for (size_t i = 0; i < 2 && i < v.size(); ++i)
            {
                if (! v[i].is_object())
                    continue;
                for (auto m = v[i].begin(); m != v[i].end(); ++m)
                {
                    if (m.value().is_string())
                        networkString(d.networks[i], m.key(), m.value().get_ref<const std::string&>());
                    else if (m.value().is_boolean())
                        networkBool(d.networks[i], m.key(), m.value().get<bool>());
                }
            }
        }
        else if (v.is_object() && key == "tarn")
        {
            d.tarn.isTarn = true;
            for (auto m = v.begin(); m != v.end(); ++m)
            {
                if (m.value().is_string())
                    tarnString(d.tarn, m.key(), m.value().get_ref<const std::string&>());
                else if (m.value().is_boolean())
                    tarnBool(d.tarn, m.key(), m.value().get<bool>());
            }
        }
    }
    finishRecord(d);
    return true;
}

std::string_view viewOf(const rapidjson::Value& v)
{
    return std::string_view(v.GetString(), v.GetStringLength());
}

bool parseWithRapidJson(tmx::DeviceEvent& out)
{
    rapidjson::Document doc;
    doc.Parse(datagram, datagramSize);
    if (doc.HasParseError() || ! doc.IsObject())
        return false;
    const auto api = doc.FindMember("api");
    const auto msg = doc.FindMember("msg");
    if (api == doc.MemberEnd() || msg == doc.MemberEnd() || ! api->value.IsString() || ! msg->value.IsString()
        || ! acceptHeader(viewOf(api->value), viewOf(msg->value)))
        return false;

    beginRecord(out);
    auto& d = out.info;
    for (const auto& member : doc.GetObject())
    {
        const auto key = viewOf(member.name);
        const auto& v = member.value;
        if (v.IsString())
            deviceString(d, key, viewOf(v));
        else if (v.IsNumber())
            deviceNumber(d, key, v.GetDouble());
        else if (v.IsBool())
            deviceBool(d, key, v.GetBool());
        else if (v.IsArray() && key == "networks")
        {
            for (rapidjson::SizeType i = 0; i < 2 && i < v.Size(); ++i)
            {
                if (! v[i].IsObject())
                    continue;
                for (const auto& m : v[i].GetObject())
                {
                    if (m.value.IsString())
                        networkString(d.networks[i], viewOf(m.name), viewOf(m.value));
                    else if (m.value.IsBool())
                        networkBool(d.networks[i], viewOf(m.name), m.value.GetBool());
                }
            }
        }
        else if (v.IsObject() && key == "tarn")
        {
            d.tarn.isTarn = true;
            for (const auto& m : v.GetObject())
            {
                if (m.value.IsString())
                    tarnString(d.tarn, viewOf(m.name), viewOf(m.value));
                else if (m.value.IsBool())
                    tarnBool(d.tarn, viewOf(m.name), m.value.GetBool());
            }
        }
    }
    finishRecord(d);
    return true;
}

// simdjson needs padding after the text; a receive buffer could be allocated with it, so it is made once.
const simdjson::padded_string& paddedDatagram()
{
    static const simdjson::padded_string padded(datagram, datagramSize);
    return padded;
}

template <typename Fill>
bool simdjsonMembers(simdjson::ondemand::object object, Fill&& fill)
{
    for (auto field : object)
    {
        std::string_view key;
        simdjson::ondemand::value value;
        simdjson::ondemand::json_type type;
        if (field.unescaped_key().get(key) || field.value().get(value) || value.type().get(type))
            return false;
        if (! fill(key, value, type))
            return false;
    }
    return true;
}

bool parseWithSimdjson(tmx::DeviceEvent& out)
{
    using namespace simdjson;
    static thread_local ondemand::parser parser;
    ondemand::document doc;
    ondemand::object root;
    if (parser.iterate(paddedDatagram()).get(doc) || doc.get_object().get(root))
        return false;

    // On-Demand reads forward only: collect api and msg on the way and decide at the end.
    std::string_view api, msg;
    beginRecord(out);
    auto& d = out.info;
    const bool ok = simdjsonMembers(root, [&](std::string_view key, ondemand::value v, ondemand::json_type type)
    {
        switch (type)
        {
            case ondemand::json_type::string:
            {
                std::string_view s;
                if (v.get_string().get(s))
                    return false;
                if (key == "api")
                    api = s;
                else if (key == "msg")
                    msg = s;
                else
                    deviceString(d, key, s);
                return true;
            }
            case ondemand::json_type::number:
            {
                double n;
                if (v.get_double().get(n))
                    return false;
                deviceNumber(d, key, n);
                return true;
            }
            case ondemand::json_type::boolean:
            {
                bool b;
                if (v.get_bool().get(b))
                    return false;
                deviceBool(d, key, b);
                return true;
            }
            case ondemand::json_type::array:
            {
                if (key != "networks")
                    return true;
                ondemand::array array;
                if (v.get_array().get(array))
                    return false;
                size_t index = 0;
                for (auto element : array)
                {
                    ondemand::value e;
                    ondemand::json_type elementType;
                    if (element.get(e) || e.type().get(elementType))
                        return false;
                    if (index < 2 && elementType == ondemand::json_type::object)
                    {
                        auto& n = d.networks[index];
                        ondemand::object o;
                        if (e.get_object().get(o))
                            return false;
                        const bool fine = simdjsonMembers(o, [&n](std::string_view k, ondemand::value mv,
                                                                  ondemand::json_type mt)
                        {
                            if (mt == ondemand::json_type::string)
                            {
                                std::string_view s;
                                if (mv.get_string().get(s))
                                    return false;
                                networkString(n, k, s);
                            }
                            else if (mt == ondemand::json_type::boolean)
                            {
                                bool b;
                                if (mv.get_bool().get(b))
                                    return false;
                                networkBool(n, k, b);
                            }
                            return true;
                        });
                        if (! fine)
                            return false;
                    }
                    ++index;
                }
                return true;
            }
            case ondemand::json_type::object:
            {
                if (key != "tarn")
                    return true;
                d.tarn.isTarn = true;
                ondemand::object o;
                if (v.get_object().get(o))
                    return false;
                return simdjsonMembers(o, [&d](std::string_view k, ondemand::value mv, ondemand::json_type mt)
                {
                    if (mt == ondemand::json_type::string)
                    {
                        std::string_view s;
                        if (mv.get_string().get(s))
                            return false;
                        tarnString(d.tarn, k, s);
                    }
                    else if (mt == ondemand::json_type::boolean)
                    {
                        bool b;
                        if (mv.get_bool().get(b))
                            return false;
                        tarnBool(d.tarn, k, b);
                    }
                    return true;
                });
            }
            default:
                return true;
        }
    });
    if (! ok || ! acceptHeader(api, msg))
        return false;
    finishRecord(d);
    return true;
}

std::string toStd(const juce::String& s)
{
    return s.toStdString();
}

bool parseWithJuce(tmx::DeviceEvent& out)
{
    const juce::var doc = juce::JSON::parse(juce::String::fromUTF8(datagram, static_cast<int>(datagramSize)));
    auto* object = doc.getDynamicObject();
    if (object == nullptr)
        return false;
    const auto& props = object->getProperties();
    const auto* api = props.getVarPointer("api");
    const auto* msg = props.getVarPointer("msg");
    if (api == nullptr || msg == nullptr || ! api->isString() || ! msg->isString()
        || ! acceptHeader(toStd(api->toString()), toStd(msg->toString())))
        return false;

    beginRecord(out);
    auto& d = out.info;
    for (const auto& p : props)
    {
        const std::string key = toStd(p.name.toString());
        const juce::var& v = p.value;
        if (v.isString())
            deviceString(d, key, toStd(v.toString()));
        else if (v.isInt() || v.isInt64() || v.isDouble())
            deviceNumber(d, key, static_cast<double>(v));
        else if (v.isBool())
            deviceBool(d, key, static_cast<bool>(v));
        else if (v.isArray() && key == "networks")
        {
            const auto* array = v.getArray();
            for (int i = 0; i < 2 && i < array->size(); ++i)
            {
                auto* element = (*array)[i].getDynamicObject();
                if (element == nullptr)
                    continue;
                for (const auto& m : element->getProperties())
                {
                    if (m.value.isString())
                        networkString(d.networks[(size_t) i], toStd(m.name.toString()), toStd(m.value.toString()));
                    else if (m.value.isBool())
                        networkBool(d.networks[(size_t) i], toStd(m.name.toString()), static_cast<bool>(m.value));
                }
            }
        }
        else if (key == "tarn" && v.getDynamicObject() != nullptr)
        {
            d.tarn.isTarn = true;
            for (const auto& m : v.getDynamicObject()->getProperties())
            {
                if (m.value.isString())
                    tarnString(d.tarn, toStd(m.name.toString()), toStd(m.value.toString()));
                else if (m.value.isBool())
                    tarnBool(d.tarn, toStd(m.name.toString()), static_cast<bool>(m.value));
            }
        }
    }
    finishRecord(d);
    return true;
}

// ------------------------------------------------------------------ agreement check and timing

bool sameRecord(const tmx::DeviceInfo& a, const tmx::DeviceInfo& b)
{
    bool same = a.id == b.id && a.name == b.name && a.model == b.model && a.fw == b.fw && a.ip == b.ip
                && a.port == b.port && a.web == b.web && a.finder == b.finder && a.finderStatus == b.finderStatus
                && a.protocolId == b.protocolId && a.tarn.isTarn == b.tarn.isTarn
                && a.tarn.workspaceUUID == b.tarn.workspaceUUID && a.tarn.isHost == b.tarn.isHost;
    for (size_t i = 0; i < 2; ++i)
    {
        const auto& x = a.networks[i];
        const auto& y = b.networks[i];
        same = same && x.state == y.state && x.name == y.name && x.mac == y.mac && x.dhcp == y.dhcp && x.ip == y.ip
               && x.mask == y.mask && x.gw == y.gw && x.dns1 == y.dns1 && x.dns2 == y.dns2;
    }
    return same;
}

using ParseFunction = bool (*)(tmx::DeviceEvent&);

void checkAgreement()
{
    tmx::DeviceEvent reference;
    if (! parseWithProtocol(reference) || reference.info.id != "00:1B:C5:0A:41:7E-00:1B:C5:0A:41:7F-80"
        || ! reference.info.tarn.isTarn)
    {
        std::fprintf(stderr, "MulticastProtocol did not read the datagram as expected\n");
        std::exit(1);
    }
    const std::pair<const char*, ParseFunction> contenders[] = { { "nlohmann", parseWithNlohmann },
                                                                 { "RapidJSON", parseWithRapidJson },
                                                                 { "simdjson", parseWithSimdjson },
                                                                 { "juce::JSON", parseWithJuce } };
    for (const auto& [name, parse] : contenders)
    {
        tmx::DeviceEvent event;
        if (! parse(event) || ! sameRecord(event.info, reference.info))
        {
            std::fprintf(stderr, "%s does not produce the same record\n", name);
            std::exit(1);
        }
    }
}

template <ParseFunction parse>
void runParse(benchmark::State& state)
{
    for (auto _ : state)
    {
        tmx::DeviceEvent event;  // as the engine does for every datagram
        const bool ok = parse(event);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(event.info.id.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(datagramSize));
}

} // namespace

BENCHMARK_TEMPLATE(runParse, parseWithProtocol)->Name("MulticastProtocol_parse");
BENCHMARK_TEMPLATE(runParse, parseWithNlohmann)->Name("nlohmann_json");
BENCHMARK_TEMPLATE(runParse, parseWithRapidJson)->Name("RapidJSON");
BENCHMARK_TEMPLATE(runParse, parseWithSimdjson)->Name("simdjson_OnDemand");
BENCHMARK_TEMPLATE(runParse, parseWithJuce)->Name("juce_JSON");

int main(int argc, char** argv)
{
    checkAgreement();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
