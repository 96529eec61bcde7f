// A TCP client connection with bounded waits: connecting, sending and receiving never block
// longer than the caller allows, so a server that stops answering cannot hang a host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class TcpConnection {
public:
    enum class Receipt { kData, kTimeout, kClosed, kFailed };

    TcpConnection() = default;
    ~TcpConnection() { Close(); }
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Connects to `host` (a name or an address) at `port` within `timeoutMs`; false, with
    // `error` saying why, otherwise.
    bool Connect(const std::string& host, int port, int timeoutMs, std::string* error);

    // Sends every byte within `timeoutMs`; false, with `error`, otherwise.
    bool Send(std::string_view bytes, int timeoutMs, std::string* error);

    // Waits at most `timeoutMs` for bytes and appends what came to `into`.
    Receipt Receive(std::string* into, int timeoutMs, std::string* error);

    bool IsOpen() const { return handle_ != kNone; }
    void Close();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;
};

}  // namespace platform
