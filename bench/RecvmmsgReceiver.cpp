// The native floor of the live-view benchmark: a bare recvmmsg loop on a bound
// UDP port that only counts what arrives, until SIGTERM or SIGINT.
//
//   RecvmmsgReceiver PORT
// prints "received datagrams=N bytes=N" when it ends.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned kBatch = 64;
constexpr size_t kBlockBytes = 8192;

volatile sig_atomic_t g_bStop = 0;

void OnSignal(int) { g_bStop = 1; }

int BoundSocket(uint16_t port)
{
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("RecvmmsgReceiver: bind");
        std::exit(1);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: RecvmmsgReceiver PORT\n");
        return 2;
    }
    struct sigaction action{};
    action.sa_handler = OnSignal;  // no SA_RESTART: the signal ends the blocking receive
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const int s = BoundSocket(static_cast<uint16_t>(std::atoi(argv[1])));

    static char blocks[kBatch][kBlockBytes];
    iovec vectors[kBatch];
    mmsghdr messages[kBatch]{};
    for (unsigned i = 0; i < kBatch; ++i) {
        vectors[i] = {blocks[i], kBlockBytes};
        messages[i].msg_hdr.msg_iov = &vectors[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    uint64_t datagrams = 0, bytes = 0;
    while (!g_bStop) {
        const int n = recvmmsg(s, messages, kBatch, MSG_WAITFORONE, nullptr);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::perror("RecvmmsgReceiver: recvmmsg");
            return 1;
        }
        for (int i = 0; i < n; ++i) bytes += messages[i].msg_len;
        datagrams += static_cast<unsigned>(n);
    }
    std::printf("received datagrams=%llu bytes=%llu\n", static_cast<unsigned long long>(datagrams),
                static_cast<unsigned long long>(bytes));
    close(s);
    return 0;
}
