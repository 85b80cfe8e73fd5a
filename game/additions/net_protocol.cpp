// Encoding and checked decoding of the network race's messages.
#include "game/additions/net_protocol.h"

namespace {

constexpr std::uint8_t magic[4] = {'D', 'W', 'N', 'T'};
constexpr int track_count = 3;

class Writer {
public:
    explicit Writer(NetType type) { bytes.push_back(static_cast<std::uint8_t>(type)); }
    Writer &put(std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        return *this;
    }
    std::vector<std::uint8_t> bytes;
};

// Reads fields in order; after the first read past the end every read gives 0 and ok() is false.
class Reader {
public:
    Reader(const std::uint8_t *data, std::size_t size) : at(data), left(size) {}
    std::uint64_t get(int size) {
        if (left < static_cast<std::size_t>(size)) {
            left = 0;
            short_read = true;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | at[i];
        at += size;
        left -= size;
        return value;
    }
    const std::uint8_t *bytes(std::size_t size) {
        if (left < size) {
            left = 0;
            short_read = true;
            return nullptr;
        }
        const std::uint8_t *start = at;
        at += size;
        left -= size;
        return start;
    }
    bool ok() const { return !short_read; }
    bool at_end() const { return !short_read && left == 0; }

private:
    const std::uint8_t *at;
    std::size_t left;
    bool short_read = false;
};

bool refuse(std::string &error, const std::string &why) {
    error = why;
    return false;
}

bool printable(const std::string &text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

bool decode_hello(Reader &in, NetHello &hello, std::string &error) {
    const std::uint8_t *found = in.bytes(sizeof magic);
    if (found == nullptr || !std::equal(magic, magic + sizeof magic, found))
        return refuse(error, "a hello without the game's magic");
    hello.protocol = static_cast<std::uint16_t>(in.get(2));
    if (!in.ok())
        return refuse(error, "a hello cut short before its protocol version");
    // Another version lays out the rest its own way; its number is all that can be read.
    if (hello.protocol != net_protocol_version)
        return true;
    const std::size_t length = in.get(1);
    if (length < 1 || length > net_max_game_version)
        return refuse(error, "a game version of " + std::to_string(length) + " bytes");
    const std::uint8_t *version = in.bytes(length);
    if (version == nullptr)
        return refuse(error, "a hello cut short in its game version");
    hello.game_version.assign(reinterpret_cast<const char *>(version), length);
    if (!printable(hello.game_version))
        return refuse(error, "a game version that is not printable text");
    hello.assets_hash = in.get(8);
    hello.track = static_cast<std::uint8_t>(in.get(1));
    const std::uint64_t fair_laps = in.get(1);
    hello.nonce = in.get(8);
    if (!in.ok())
        return refuse(error, "a hello cut short");
    if (hello.track >= track_count)
        return refuse(error, "track " + std::to_string(hello.track) + " does not exist");
    if (fair_laps > 1)
        return refuse(error, "a fair-laps flag that is neither 0 nor 1");
    hello.fair_laps = fair_laps == 1;
    return true;
}

bool decode_input(Reader &in, NetInput &input, std::string &error) {
    input.first_frame = static_cast<std::uint32_t>(in.get(4));
    const int count = static_cast<int>(in.get(1));
    if (!in.ok())
        return refuse(error, "an input packet cut short");
    if (count < 1 || count > net_max_frames)
        return refuse(error, "an input packet of " + std::to_string(count) + " frames");
    if (input.first_frame >= net_max_frame || net_max_frame - input.first_frame < unsigned(count))
        return refuse(error, "input frames past frame " + std::to_string(net_max_frame));
    input.frames.resize(count);
    for (NetFrameKeys &frame : input.frames) {
        frame.keys = static_cast<std::uint16_t>(in.get(2));
        frame.flags = static_cast<std::uint8_t>(in.get(1));
        if ((frame.keys & ~net_race_key_bits) != 0 ||
            (frame.flags & ~(net_flag_escape | net_flag_pause)) != 0)
            return refuse(error, "keys or flags outside the race's");
    }
    input.first_hashed_frame = static_cast<std::uint32_t>(in.get(4));
    const int hashed = static_cast<int>(in.get(1));
    if (!in.ok())
        return refuse(error, "an input packet cut short");
    if (hashed > net_max_frames)
        return refuse(error, "an input packet of " + std::to_string(hashed) + " hashes");
    // Only frames already run are hashed, and a frame runs only once its keys have been sent.
    if (hashed > 0 &&
        std::uint64_t{input.first_hashed_frame} + hashed > std::uint64_t{input.first_frame} + count)
        return refuse(error, "hashes of frames not yet run");
    if (hashed == 0 && input.first_hashed_frame != 0)
        return refuse(error, "a first hashed frame without hashes");
    input.hashes.resize(hashed);
    for (std::uint64_t &hash : input.hashes)
        hash = in.get(8);
    return in.ok() || refuse(error, "an input packet cut short in its hashes");
}

} // namespace

std::vector<std::uint8_t> net_encode_hello(const NetHello &hello) {
    Writer out(NetType::hello);
    for (std::uint8_t byte : magic)
        out.put(byte, 1);
    out.put(hello.protocol, 2).put(hello.game_version.size(), 1);
    for (char c : hello.game_version)
        out.put(static_cast<std::uint8_t>(c), 1);
    out.put(hello.assets_hash, 8).put(hello.track, 1).put(hello.fair_laps ? 1 : 0, 1);
    return out.put(hello.nonce, 8).bytes;
}

std::vector<std::uint8_t> net_encode_answer(NetRefusal refusal) {
    return Writer(NetType::answer).put(static_cast<std::uint8_t>(refusal), 1).bytes;
}

std::vector<std::uint8_t> net_encode_ping(NetType ping_or_pong, std::uint64_t time) {
    return Writer(ping_or_pong).put(time, 8).bytes;
}

std::vector<std::uint8_t> net_encode_delay(int frames) {
    return Writer(NetType::delay).put(static_cast<std::uint8_t>(frames), 1).bytes;
}

std::vector<std::uint8_t> net_encode_input(const NetInput &input) {
    Writer out(NetType::input);
    out.put(input.first_frame, 4).put(input.frames.size(), 1);
    for (const NetFrameKeys &frame : input.frames)
        out.put(frame.keys, 2).put(frame.flags, 1);
    out.put(input.first_hashed_frame, 4).put(input.hashes.size(), 1);
    for (std::uint64_t hash : input.hashes)
        out.put(hash, 8);
    return out.bytes;
}

std::vector<std::uint8_t> net_encode_leave(std::uint8_t why) {
    return Writer(NetType::leave).put(why, 1).bytes;
}

std::vector<std::uint8_t> net_encode_ready() {
    return Writer(NetType::ready).bytes;
}

std::vector<std::uint8_t> net_encode_resume(std::uint32_t frame) {
    return Writer(NetType::resume).put(frame, 4).bytes;
}

bool net_decode(const std::uint8_t *data, std::size_t size, NetMessage &message,
                std::string &error) {
    message = NetMessage{};
    Reader in(data, size);
    const std::uint64_t type = in.get(1);
    if (!in.ok())
        return refuse(error, "an empty packet");
    if (type < std::uint64_t(NetType::hello) || type > std::uint64_t(NetType::resume))
        return refuse(error, "a packet of unknown type " + std::to_string(type));
    message.type = static_cast<NetType>(type);
    switch (message.type) {
    case NetType::hello:
        if (!decode_hello(in, message.hello, error))
            return false;
        if (message.hello.protocol != net_protocol_version)
            return true; // the bytes after another version's number are that version's
        break;
    case NetType::answer: {
        const std::uint64_t refusal = in.get(1);
        if (refusal > std::uint64_t(NetRefusal::busy))
            return refuse(error, "an answer with unknown refusal " + std::to_string(refusal));
        message.refusal = static_cast<NetRefusal>(refusal);
        break;
    }
    case NetType::ping:
    case NetType::pong:
        message.time = in.get(8);
        break;
    case NetType::delay:
        message.value = static_cast<std::uint8_t>(in.get(1));
        if (in.ok() && (message.value < 1 || message.value > net_max_input_delay))
            return refuse(error, "an input delay of " + std::to_string(message.value) + " frames");
        break;
    case NetType::input:
        if (!decode_input(in, message.input, error))
            return false;
        break;
    case NetType::leave:
        message.value = static_cast<std::uint8_t>(in.get(1));
        if (in.ok() && message.value > 1)
            return refuse(error, "a leave with unknown reason " + std::to_string(message.value));
        break;
    case NetType::ready:
        break;
    case NetType::resume:
        message.frame = static_cast<std::uint32_t>(in.get(4));
        if (in.ok() && message.frame >= net_max_frame)
            return refuse(error, "a resume past frame " + std::to_string(net_max_frame));
        break;
    }
    if (!in.ok())
        return refuse(error, "a packet cut short");
    if (!in.at_end())
        return refuse(error, "bytes after the end of the message");
    return true;
}

NetRefusal net_compare_hello(const NetHello &ours, const NetHello &theirs) {
    if (ours.protocol != theirs.protocol)
        return NetRefusal::protocol;
    if (ours.game_version != theirs.game_version)
        return NetRefusal::game_version;
    if (ours.assets_hash != theirs.assets_hash)
        return NetRefusal::assets;
    return NetRefusal::none;
}

std::string net_refusal_line(NetRefusal refusal, const NetHello &ours, const NetHello &theirs) {
    switch (refusal) {
    case NetRefusal::none:
        return "";
    case NetRefusal::protocol:
        return "the other player's game speaks network protocol " +
               std::to_string(theirs.protocol) + ", this one " + std::to_string(ours.protocol);
    case NetRefusal::game_version:
        return "the other player runs Dirtwhirl " + theirs.game_version + ", this is " +
               ours.game_version;
    case NetRefusal::assets:
        return "the other player's track pictures or car files differ from these";
    case NetRefusal::busy:
        return "the host already has a player";
    }
    return "";
}
