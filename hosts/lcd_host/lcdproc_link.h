// lcdhost's link to an LCDproc server (LCDd). It outlives the server: after any fault (the
// server gone, an error answer, a line that is no answer) it closes, says why once, and
// connects again after a delay that doubles up to a cap, redrawing everything on our new
// screen. Every wait is bounded, so a server that stops answering never stalls the host.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hosts/lcd_host/lcdproc_view.h"
#include "platform/tcp_connection.h"

class LcdprocLink {
public:
    using Clock = std::chrono::steady_clock;
    using Say = std::function<void(const std::string&)>;

    static constexpr int kAnswerTimeoutMs = 2000;
    static constexpr std::size_t kLongestLine = 4096;
    static constexpr std::chrono::milliseconds kFirstDelay{500};
    static constexpr std::chrono::milliseconds kLongestDelay{4000};

    // `say` gets the messages meant for the user, each kind once while the link is in
    // trouble; without `retries` (a single frame) they promise no retry.
    LcdprocLink(std::string host, int port, Say say, bool retries = true);

    // Connects and draws the last view when not connected and the delay has passed.
    void ConnectWhenDue();
    bool IsConnected() const { return connection_.IsOpen(); }
    Clock::time_point NextAttempt() const { return nextAttempt_; }

    // The display's size from the server's greeting; 0 before the first connection.
    int DisplayWidth() const { return width_; }
    int DisplayHeight() const { return height_; }

    // Sends what changed since the view the server shows; keeps `view` for a reconnection.
    void Show(const LcdprocView& view);

    std::string Address() const {
        bool ipv6 = host_.find(':') != std::string::npos;
        return (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
    }

private:
    bool Handshake(std::string* why);
    bool ParseGreeting(const std::string& line, std::string* why);
    bool TakeNotices(std::string* why);
    bool Exchange(const std::vector<std::string>& lines, std::string* why);
    bool ReadLine(std::string* line, Clock::time_point deadline, std::string* why);
    bool ReadAnswer(const std::string& command, Clock::time_point deadline, std::string* why);
    void Drop(const std::string& why);
    std::string DisplaySize() const;  // "WxH"
    // False when that kind was told already: `kind`, or what precedes the first bracket or
    // quote of `message`.
    bool Tell(const std::string& message, const std::string& kind = "");

    std::string host_;
    int port_;
    Say say_;
    platform::TcpConnection connection_;
    std::string pending_;  // received bytes not yet taken as lines
    std::optional<LcdprocView> wanted_;
    std::optional<LcdprocView> shown_;
    int width_ = 0;
    int height_ = 0;
    bool retries_;
    bool everConnected_ = false;
    bool lost_ = false;  // the fault was the connection's, not the server's words
    bool recoveryUntold_ = false;
    int healthyShows_ = 0;
    Clock::time_point nextAttempt_{};
    std::chrono::milliseconds delay_ = kFirstDelay;
    std::set<std::string> said_;
};
