#include "platform/tcp_connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/bounded_call.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `socket` until `deadline`: 1 ready, 0 timed out, -1 failed.
int WaitFor(int socket, short events, Clock::time_point deadline) {
    while (true) {
        pollfd entry{socket, events, 0};
        int ready = poll(&entry, 1, MsLeft(deadline));
        if (ready >= 0) return ready;
        if (errno != EINTR) return -1;
    }
}

// A name lookup's result, freed by whichever of the caller and the lookup's thread ends last.
struct Lookup {
    ~Lookup() {
        if (found) freeaddrinfo(found);
    }
    addrinfo* found = nullptr;
    int status = EAI_FAIL;
};

bool ConnectTo(const addrinfo& address, int timeoutMs, int* out, std::string* error) {
    int socket = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC, address.ai_protocol);
    if (socket < 0) return *error = std::strerror(errno), false;
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = ::connect(socket, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
    if (status == EINPROGRESS) {
        int ready = WaitFor(socket, POLLOUT, deadline);
        socklen_t size = sizeof status;
        if (ready == 0) status = ETIMEDOUT;
        else if (ready < 0 || getsockopt(socket, SOL_SOCKET, SO_ERROR, &status, &size) != 0) status = errno;
    }
    if (status == 0) return *out = socket, true;
    *error = status == ETIMEDOUT ? "no answer within " + std::to_string(timeoutMs) + " ms" : std::strerror(status);
    ::close(socket);
    return false;
}

}  // namespace

bool TcpConnection::Connect(const std::string& host, int port, int timeoutMs, std::string* error) {
    Close();
    auto lookup = std::make_shared<Lookup>();
    bool answered = RunWithin(timeoutMs, [lookup, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        lookup->status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &lookup->found);
    });
    if (!answered) return *error = "the name was not found within " + std::to_string(timeoutMs) + " ms", false;
    if (lookup->status != 0) return *error = gai_strerror(lookup->status), false;
    int socket = -1;
    *error = "no address";
    for (addrinfo* address = lookup->found; address && socket < 0; address = address->ai_next)
        ConnectTo(*address, timeoutMs, &socket, error);
    handle_ = socket;
    return socket >= 0;
}

bool TcpConnection::Send(std::string_view bytes, int timeoutMs, std::string* error) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        if (!IsOpen()) return *error = "not connected", false;
        int ready = WaitFor(static_cast<int>(handle_), POLLOUT, deadline);
        if (ready == 0) return *error = "the server takes nothing more", false;
        // MSG_NOSIGNAL: a server gone away must not end the host with SIGPIPE.
        ssize_t sent = ready < 0 ? -1 : ::send(static_cast<int>(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (sent < 0) return *error = std::strerror(errno), false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

TcpConnection::Receipt TcpConnection::Receive(std::string* into, int timeoutMs, std::string* error) {
    if (!IsOpen()) return *error = "not connected", Receipt::kFailed;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int ready = WaitFor(static_cast<int>(handle_), POLLIN, deadline);
        if (ready == 0) return Receipt::kTimeout;
        char buffer[4096];
        ssize_t got = ready < 0 ? -1 : ::recv(static_cast<int>(handle_), buffer, sizeof buffer, 0);
        if (got > 0) return into->append(buffer, static_cast<std::size_t>(got)), Receipt::kData;
        if (got == 0) return Receipt::kClosed;
        if (errno == EAGAIN || errno == EINTR) continue;
        *error = std::strerror(errno);
        return Receipt::kFailed;
    }
}

void TcpConnection::Close() {
    if (IsOpen()) ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

}  // namespace platform
