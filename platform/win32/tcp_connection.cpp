#include "platform/tcp_connection.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <memory>

#include "platform/bounded_call.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Winsock needs starting once per process; a failure shows as the first call's error.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// The common faults in the English words the other builds use: the system's own text is in
// the user's language and the ANSI code page, which the console shows garbled.
std::string ErrorText(int code) {
    switch (code) {
        case WSAECONNREFUSED: return "Connection refused";
        case WSAECONNRESET: return "Connection reset by peer";
        case WSAECONNABORTED: return "Software caused connection abort";
        case WSAENETDOWN: return "Network is down";
        case WSAENETUNREACH: return "Network is unreachable";
        case WSAEHOSTUNREACH: return "No route to host";
        case WSAEADDRNOTAVAIL: return "Cannot assign requested address";
        case WSAHOST_NOT_FOUND: return "Name or service not known";
        case WSATRY_AGAIN: return "Temporary failure in name resolution";
        case WSANO_DATA: return "No address associated with hostname";
        default: return "Winsock error " + std::to_string(code);
    }
}

timeval MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left < 0) left = 0;
    return timeval{static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
}

enum class Wait { kRead, kWrite, kConnect };

// Waits until `socket` can be read or written, or its connect has ended, until `deadline`:
// 1 ready, 0 timed out, -1 failed. Only a connect watches the exception set: there it means
// the connect failed, elsewhere out-of-band data, which no recv takes, so select would return
// at once again and again.
int WaitFor(SOCKET socket, Wait wait, Clock::time_point deadline) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval left = MsLeft(deadline);
    int count = select(0, wait == Wait::kRead ? &ready : nullptr, wait == Wait::kRead ? nullptr : &ready,
                       wait == Wait::kConnect ? &failed : nullptr, &left);
    return count == SOCKET_ERROR ? -1 : count > 0 ? 1 : 0;
}

// A name lookup's result, freed by whichever of the caller and the lookup's thread ends last.
struct Lookup {
    ~Lookup() {
        if (found) freeaddrinfo(found);
    }
    addrinfo* found = nullptr;
    int status = WSAHOST_NOT_FOUND;
};

bool ConnectTo(const addrinfo& address, int timeoutMs, SOCKET* out, std::string* error) {
    SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket == INVALID_SOCKET) return *error = ErrorText(WSAGetLastError()), false;
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = ::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0 ? 0 : WSAGetLastError();
    if (status == WSAEWOULDBLOCK) {
        int ready = WaitFor(socket, Wait::kConnect, deadline);
        int size = sizeof status;
        if (ready == 0) status = WSAETIMEDOUT;
        else if (ready < 0) status = WSAGetLastError();
        else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&status), &size) != 0)
            status = WSAGetLastError();
    }
    if (status == 0) return *out = socket, true;
    *error = status == WSAETIMEDOUT ? "no answer within " + std::to_string(timeoutMs) + " ms" : ErrorText(status);
    closesocket(socket);
    return false;
}

}  // namespace

bool TcpConnection::Connect(const std::string& host, int port, int timeoutMs, std::string* error) {
    Close();
    if (!StartWinsock()) return *error = "Winsock could not be started", false;
    auto lookup = std::make_shared<Lookup>();
    bool answered = RunWithin(timeoutMs, [lookup, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        lookup->status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &lookup->found);
    });
    if (!answered) return *error = "the name was not found within " + std::to_string(timeoutMs) + " ms", false;
    if (lookup->status != 0) return *error = ErrorText(lookup->status), false;
    SOCKET socket = INVALID_SOCKET;
    *error = "no address";
    for (addrinfo* address = lookup->found; address && socket == INVALID_SOCKET; address = address->ai_next)
        ConnectTo(*address, timeoutMs, &socket, error);
    if (socket == INVALID_SOCKET) return false;
    handle_ = static_cast<std::intptr_t>(socket);
    return true;
}

bool TcpConnection::Send(std::string_view bytes, int timeoutMs, std::string* error) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        if (!IsOpen()) return *error = "not connected", false;
        SOCKET socket = static_cast<SOCKET>(handle_);
        int ready = WaitFor(socket, Wait::kWrite, deadline);
        if (ready == 0) return *error = "the server takes nothing more", false;
        int chunk = bytes.size() > 65536 ? 65536 : static_cast<int>(bytes.size());
        int sent = ready < 0 ? SOCKET_ERROR : ::send(socket, bytes.data(), chunk, 0);
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (sent == SOCKET_ERROR) return *error = ErrorText(WSAGetLastError()), false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

TcpConnection::Receipt TcpConnection::Receive(std::string* into, int timeoutMs, std::string* error) {
    if (!IsOpen()) return *error = "not connected", Receipt::kFailed;
    SOCKET socket = static_cast<SOCKET>(handle_);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int ready = WaitFor(socket, Wait::kRead, deadline);
        if (ready == 0) return Receipt::kTimeout;
        char buffer[4096];
        int got = ready < 0 ? SOCKET_ERROR : ::recv(socket, buffer, sizeof buffer, 0);
        if (got > 0) return into->append(buffer, static_cast<std::size_t>(got)), Receipt::kData;
        if (got == 0) return Receipt::kClosed;
        int code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) continue;
        *error = ErrorText(code);
        return Receipt::kFailed;
    }
}

void TcpConnection::Close() {
    if (IsOpen()) closesocket(static_cast<SOCKET>(handle_));
    handle_ = kNone;
}

}  // namespace platform
