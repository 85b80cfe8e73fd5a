// A UDP forwarder for network tests, on the loopback address only: it listens on 127.0.0.1:LISTEN
// and forwards what the first loopback sender sends to 127.0.0.1:TARGET, and what TARGET answers
// back to that sender, each packet after a delay, some dropped, duplicated or held back so that
// they arrive out of order, all drawn from a seeded generator. It stops by itself after a number
// of packets or seconds, or on SIGTERM, and then prints what it did.
// Usage: net_relay LISTEN TARGET [delay-ms] [drop-%] [duplicate-%] [reorder-%] [seed]
//                  [max-packets] [max-seconds]
// It prints "relay ready" on standard output once it listens.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <queue>
#include <random>
#include <vector>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    std::uint64_t order; // ties keep the order of arrival
    sockaddr_in to;
    std::vector<std::uint8_t> bytes;
    bool operator>(const Pending &other) const {
        return due != other.due ? due > other.due : order > other.order;
    }
};

bool loopback(const sockaddr_in &address) {
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

sockaddr_in loopback_port(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int argument(int argc, char **argv, int index, int fallback, int low, int high) {
    if (index >= argc)
        return fallback;
    char *end = nullptr;
    const long value = std::strtol(argv[index], &end, 10);
    if (*end != '\0' || value < low || value > high) {
        std::fprintf(stderr, "net_relay: argument %d must be a number from %d to %d\n", index, low,
                     high);
        std::exit(2);
    }
    return static_cast<int>(value);
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: net_relay LISTEN TARGET [delay-ms] [drop-%%] [duplicate-%%] "
                             "[reorder-%%] [seed] [max-packets] [max-seconds]\n");
        return 2;
    }
    const int listen_port = argument(argc, argv, 1, 0, 1, 65535);
    const sockaddr_in target = loopback_port(argument(argc, argv, 2, 0, 1, 65535));
    const int delay_ms = argument(argc, argv, 3, 50, 0, 10000);
    const int drop = argument(argc, argv, 4, 5, 0, 100);
    const int duplicate = argument(argc, argv, 5, 2, 0, 100);
    const int reorder = argument(argc, argv, 6, 2, 0, 100);
    std::mt19937 random(static_cast<unsigned>(argument(argc, argv, 7, 1, 0, 1 << 30)));
    const long max_packets = argument(argc, argv, 8, 100000, 1, 10000000);
    const auto deadline = Clock::now() + std::chrono::seconds(argument(argc, argv, 9, 60, 1, 600));
    std::signal(SIGTERM, [](int) { stop_requested = 1; });

    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in listen_at = loopback_port(listen_port);
    if (sock < 0 || bind(sock, reinterpret_cast<const sockaddr *>(&listen_at), sizeof listen_at)) {
        std::fprintf(stderr, "net_relay: cannot listen on 127.0.0.1:%d: %s\n", listen_port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("relay ready\n");
    std::fflush(stdout);

    // A percentage drawn from the raw generator, the same on every standard library.
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> queue;
    sockaddr_in client{};
    bool have_client = false;
    long received = 0, sent = 0, dropped = 0, duplicated = 0, reordered = 0;
    std::uint64_t order = 0;
    std::vector<std::uint8_t> buffer(65536);
    while (!stop_requested && received < max_packets && Clock::now() < deadline) {
        int wait_ms = 100;
        if (!queue.empty()) {
            const auto until = std::chrono::duration_cast<std::chrono::milliseconds>(
                queue.top().due - Clock::now());
            wait_ms = static_cast<int>(std::max<long>(0, std::min<long>(until.count(), 100)));
        }
        pollfd watch{sock, POLLIN, 0};
        if (poll(&watch, 1, wait_ms) > 0) {
            sockaddr_in from{};
            socklen_t from_size = sizeof from;
            const ssize_t size = recvfrom(sock, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr *>(&from), &from_size);
            if (size >= 0 && loopback(from)) {
                ++received;
                const bool from_target = from.sin_port == target.sin_port;
                if (!from_target && !have_client) {
                    client = from;
                    have_client = true;
                }
                if (from_target && !have_client)
                    continue;
                const sockaddr_in to = from_target ? client : target;
                if (chance(drop)) {
                    ++dropped;
                    continue;
                }
                auto due = Clock::now() + std::chrono::milliseconds(delay_ms);
                if (chance(reorder)) {
                    ++reordered;
                    due += std::chrono::milliseconds(1 + random() % 40);
                }
                const int copies = chance(duplicate) ? 2 : 1;
                duplicated += copies - 1;
                for (int i = 0; i < copies; ++i)
                    queue.push({due, order++, to, {buffer.begin(), buffer.begin() + size}});
            }
        }
        while (!queue.empty() && queue.top().due <= Clock::now()) {
            const Pending &next = queue.top();
            if (loopback(next.to) &&
                sendto(sock, next.bytes.data(), next.bytes.size(), 0,
                       reinterpret_cast<const sockaddr *>(&next.to), sizeof next.to) >= 0)
                ++sent;
            queue.pop();
        }
    }
    close(sock);
    std::printf("relay: %ld received, %ld sent, %ld dropped, %ld duplicated, %ld reordered\n",
                received, sent, dropped, duplicated, reordered);
    return 0;
}
