// Fuzz target for the network race's packet parser. Any bytes are decoded or refused with a
// reason; what decodes holds only fields in their ranges, and encodes again to the same bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "game/additions/net_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    NetMessage message;
    std::string error;
    if (!net_decode(data, size, message, error)) {
        fuzz_require(!error.empty(), "a refusal without a reason");
        return 0;
    }
    std::vector<std::uint8_t> again;
    switch (message.type) {
    case NetType::input:
        fuzz_require(!message.input.frames.empty() &&
                         message.input.frames.size() <= std::size_t(net_max_frames) &&
                         message.input.first_frame + message.input.frames.size() <= net_max_frame,
                     "input frames out of range");
        again = net_encode_input(message.input);
        break;
    case NetType::delay:
        fuzz_require(message.value >= 1 && message.value <= net_max_input_delay,
                     "a delay out of range");
        again = net_encode_delay(message.value);
        break;
    case NetType::resume:
        again = net_encode_resume(message.frame);
        break;
    case NetType::hello:
        fuzz_require(message.hello.game_version.size() <= net_max_game_version,
                     "a game version too long");
        if (message.hello.protocol == net_protocol_version)
            again = net_encode_hello(message.hello);
        break;
    default:
        break;
    }
    if (!again.empty())
        fuzz_require(again.size() == size && std::equal(again.begin(), again.end(), data),
                     "a decoded message encodes to other bytes");
    return 0;
}
