// The floor of the live-view and capacity benchmarks: the least a Windows program
// can do to receive the cameras' unicast streams. It asks each camera for its
// stream as the filter does, from a socket of its own, keeps 50 overlapped receives
// posted on each with completion routines that run in one thread's alertable wait,
// and only counts what arrives; what it costs under Wine is the cost of Wine's
// socket path alone.
//
//   WineFloorReceiver --camera IP:PORT [--camera ...] [--nic IP] --duration S
// prints "camera IP:PORT datagrams=N bytes=N" for each camera, then
// "received datagrams=N bytes=N" for all of them, when it ends.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPosted = 50;
constexpr DWORD kBlockBytes = 8192;  // above the camera's largest datagram
constexpr ULONGLONG kContinueMs = 10000;
constexpr ULONGLONG kDrainMs = 1000;
constexpr uint16_t kStartRequest = 0x7001;
constexpr uint16_t kStopRequest = 0x7002;
constexpr uint16_t kContinueRequest = 0x7003;

struct Camera;

struct Receive {
    WSAOVERLAPPED overlapped;  // first: the completion routine gets its address
    Camera* pCamera;
    char data[kBlockBytes];
};

struct Camera {
    std::string text;
    sockaddr_in address;
    SOCKET hSocket = INVALID_SOCKET;
    Receive receives[kPosted];
    uint64_t qwDatagrams = 0;
    uint64_t qwBytes = 0;
};

int g_nPending = 0;
bool g_bReposting = true;
// When no more receives are posted. Checked in the completion routine too: under
// Wine, a thread whose completions come faster than it runs them never leaves its
// alertable wait, and would never see the end of its run.
ULONGLONG g_qwEnd = ~0ull;

void CALLBACK Completed(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped, DWORD);

void Post(Receive* pReceive)
{
    pReceive->overlapped = {};
    WSABUF buffer = {kBlockBytes, pReceive->data};
    DWORD dwFlags = 0;
    if (WSARecv(pReceive->pCamera->hSocket, &buffer, 1, nullptr, &dwFlags, &pReceive->overlapped, Completed) ==
            SOCKET_ERROR &&
        WSAGetLastError() != WSA_IO_PENDING) {
        std::fprintf(stderr, "WineFloorReceiver: WSARecv failed (%d)\n", WSAGetLastError());
        return;
    }
    g_nPending++;
}

void CALLBACK Completed(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped, DWORD)
{
    g_nPending--;
    Receive* pReceive = reinterpret_cast<Receive*>(pOverlapped);
    if (dwError == 0) {
        pReceive->pCamera->qwDatagrams++;
        pReceive->pCamera->qwBytes += cbTransferred;
    }
    if (g_bReposting && GetTickCount64() < g_qwEnd) Post(pReceive);
}

// Big-endian: the request's length, its command, and for a start the admin flag (0).
void Request(const Camera& camera, uint16_t usCommand)
{
    const int cb = usCommand == kStartRequest ? 6 : 4;
    const char request[6] = {0, static_cast<char>(cb), static_cast<char>(usCommand >> 8),
                             static_cast<char>(usCommand & 0xFF), 0, 0};
    sendto(camera.hSocket, request, cb, 0, reinterpret_cast<const sockaddr*>(&camera.address), sizeof(camera.address));
}

void RequestAll(const std::vector<std::unique_ptr<Camera>>& cameras, uint16_t usCommand)
{
    for (const auto& camera : cameras) Request(*camera, usCommand);
}

bool ToAddress(const std::string& text, uint16_t usDefaultPort, sockaddr_in* pAddress)
{
    const size_t colon = text.rfind(':');
    const std::string host = colon == std::string::npos ? text : text.substr(0, colon);
    *pAddress = {};
    pAddress->sin_family = AF_INET;
    pAddress->sin_port = htons(colon == std::string::npos ? usDefaultPort
                                                          : static_cast<uint16_t>(std::atoi(text.c_str() + colon + 1)));
    return inet_pton(AF_INET, host.c_str(), &pAddress->sin_addr) == 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: WineFloorReceiver --camera IP:PORT [--camera ...] [--nic IP] --duration S\n");
    return 2;
}

bool Open(Camera* pCamera, const sockaddr_in& nic)
{
    pCamera->hSocket = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (pCamera->hSocket == INVALID_SOCKET ||
        bind(pCamera->hSocket, reinterpret_cast<const sockaddr*>(&nic), sizeof(nic)) != 0) {
        std::fprintf(stderr, "WineFloorReceiver: cannot open the socket (%d)\n", WSAGetLastError());
        return false;
    }
    return true;
}

void Start(const std::vector<std::unique_ptr<Camera>>& cameras)
{
    RequestAll(cameras, kStartRequest);
    for (const auto& camera : cameras) {
        for (Receive& receive : camera->receives) {
            receive.pCamera = camera.get();
            Post(&receive);
        }
    }
}

// The completion routines run in this thread's alertable waits.
void ReceiveFor(const std::vector<std::unique_ptr<Camera>>& cameras, double seconds)
{
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = g_qwEnd = start + static_cast<ULONGLONG>(seconds * 1000);
    ULONGLONG nextContinue = start + kContinueMs;
    for (ULONGLONG now = start; now < end; now = GetTickCount64()) {
        if (now >= nextContinue) {
            RequestAll(cameras, kContinueRequest);
            nextContinue += kContinueMs;
        }
        SleepEx(static_cast<DWORD>((nextContinue < end ? nextContinue : end) - now), TRUE);
    }
}

void Stop(const std::vector<std::unique_ptr<Camera>>& cameras)
{
    RequestAll(cameras, kStopRequest);
    g_bReposting = false;
    for (const auto& camera : cameras) CancelIoEx(reinterpret_cast<HANDLE>(camera->hSocket), nullptr);
    const ULONGLONG deadline = GetTickCount64() + kDrainMs;
    while (g_nPending > 0 && GetTickCount64() < deadline) SleepEx(static_cast<DWORD>(deadline - GetTickCount64()), TRUE);
    for (const auto& camera : cameras) closesocket(camera->hSocket);
}

void PrintCounts(const std::vector<std::unique_ptr<Camera>>& cameras)
{
    unsigned long long datagrams = 0, bytes = 0;
    for (const auto& camera : cameras) {
        std::printf("camera %s datagrams=%llu bytes=%llu\n", camera->text.c_str(),
                    static_cast<unsigned long long>(camera->qwDatagrams), static_cast<unsigned long long>(camera->qwBytes));
        datagrams += camera->qwDatagrams;
        bytes += camera->qwBytes;
    }
    std::printf("received datagrams=%llu bytes=%llu\n", datagrams, bytes);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::unique_ptr<Camera>> cameras;
    std::string nicText = "127.0.0.1";
    double seconds = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--camera") {
            cameras.push_back(std::make_unique<Camera>());
            cameras.back()->text = argv[i + 1];
        } else if (name == "--nic") {
            nicText = argv[i + 1];
        } else if (name == "--duration") {
            seconds = std::atof(argv[i + 1]);
        } else {
            return Usage();
        }
    }
    sockaddr_in nic;
    if (cameras.empty() || !ToAddress(nicText, 0, &nic) || seconds <= 0) return Usage();
    for (const auto& camera : cameras)
        if (!ToAddress(camera->text, 0, &camera->address) || camera->address.sin_port == 0) return Usage();

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    for (const auto& camera : cameras)
        if (!Open(camera.get(), nic)) return 1;
    Start(cameras);
    ReceiveFor(cameras, seconds);
    Stop(cameras);
    WSACleanup();
    PrintCounts(cameras);
    return 0;
}
