// The floor of the live-view benchmark: the least a Windows program can do to
// receive the camera's unicast stream. It asks for the stream as the filter does,
// keeps 50 overlapped receives posted with completion routines that run in an
// alertable wait, and only counts what arrives; what it costs under Wine is the
// cost of Wine's socket path alone.
//
//   WineFloorReceiver --camera IP:PORT [--nic IP] --duration S
// prints "received datagrams=N bytes=N" when it ends.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kPosted = 50;
constexpr DWORD kBlockBytes = 8192;  // above the camera's largest datagram
constexpr ULONGLONG kContinueMs = 10000;
constexpr ULONGLONG kDrainMs = 1000;
constexpr uint16_t kStartRequest = 0x7001;
constexpr uint16_t kStopRequest = 0x7002;
constexpr uint16_t kContinueRequest = 0x7003;

struct Receive {
    WSAOVERLAPPED overlapped;  // first: the completion routine gets its address
    char data[kBlockBytes];
};

SOCKET g_hSocket = INVALID_SOCKET;
Receive g_Receives[kPosted];
int g_nPending = 0;
bool g_bReposting = true;
uint64_t g_qwDatagrams = 0;
uint64_t g_qwBytes = 0;

void CALLBACK Completed(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped, DWORD);

void Post(Receive* pReceive)
{
    pReceive->overlapped = {};
    WSABUF buffer = {kBlockBytes, pReceive->data};
    DWORD dwFlags = 0;
    if (WSARecv(g_hSocket, &buffer, 1, nullptr, &dwFlags, &pReceive->overlapped, Completed) == SOCKET_ERROR &&
        WSAGetLastError() != WSA_IO_PENDING) {
        std::fprintf(stderr, "WineFloorReceiver: WSARecv failed (%d)\n", WSAGetLastError());
        return;
    }
    g_nPending++;
}

void CALLBACK Completed(DWORD dwError, DWORD cbTransferred, LPWSAOVERLAPPED pOverlapped, DWORD)
{
    g_nPending--;
    if (dwError == 0) {
        g_qwDatagrams++;
        g_qwBytes += cbTransferred;
    }
    if (g_bReposting) Post(reinterpret_cast<Receive*>(pOverlapped));
}

// Big-endian: the request's length, its command, and for a start the admin flag (0).
void Request(const sockaddr_in& camera, uint16_t usCommand)
{
    const int cb = usCommand == kStartRequest ? 6 : 4;
    const char request[6] = {0, static_cast<char>(cb), static_cast<char>(usCommand >> 8),
                             static_cast<char>(usCommand & 0xFF), 0, 0};
    sendto(g_hSocket, request, cb, 0, reinterpret_cast<const sockaddr*>(&camera), sizeof(camera));
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
    std::fprintf(stderr, "usage: WineFloorReceiver --camera IP:PORT [--nic IP] --duration S\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string cameraText, nicText = "127.0.0.1";
    double seconds = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--camera") cameraText = argv[i + 1];
        else if (name == "--nic") nicText = argv[i + 1];
        else if (name == "--duration") seconds = std::atof(argv[i + 1]);
        else return Usage();
    }
    sockaddr_in camera, nic;
    if (!ToAddress(cameraText, 0, &camera) || camera.sin_port == 0 || !ToAddress(nicText, 0, &nic) || seconds <= 0)
        return Usage();

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    g_hSocket = WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (g_hSocket == INVALID_SOCKET || bind(g_hSocket, reinterpret_cast<const sockaddr*>(&nic), sizeof(nic)) != 0) {
        std::fprintf(stderr, "WineFloorReceiver: cannot open the socket (%d)\n", WSAGetLastError());
        return 1;
    }
    Request(camera, kStartRequest);
    for (Receive& receive : g_Receives) Post(&receive);

    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + static_cast<ULONGLONG>(seconds * 1000);
    ULONGLONG nextContinue = start + kContinueMs;
    for (ULONGLONG now = start; now < end; now = GetTickCount64()) {
        if (now >= nextContinue) {
            Request(camera, kContinueRequest);
            nextContinue += kContinueMs;
        }
        SleepEx(static_cast<DWORD>((nextContinue < end ? nextContinue : end) - now), TRUE);
    }
    Request(camera, kStopRequest);

    g_bReposting = false;
    CancelIoEx(reinterpret_cast<HANDLE>(g_hSocket), nullptr);
    const ULONGLONG deadline = GetTickCount64() + kDrainMs;
    while (g_nPending > 0 && GetTickCount64() < deadline) SleepEx(static_cast<DWORD>(deadline - GetTickCount64()), TRUE);
    closesocket(g_hSocket);
    WSACleanup();
    std::printf("received datagrams=%llu bytes=%llu\n", static_cast<unsigned long long>(g_qwDatagrams),
                static_cast<unsigned long long>(g_qwBytes));
    return 0;
}
