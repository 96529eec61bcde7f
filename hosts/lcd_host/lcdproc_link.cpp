#include "hosts/lcd_host/lcdproc_link.h"

#include <cstdio>
#include <utility>

namespace {

constexpr char kScreenId[] = "lcdhost";
constexpr int kHealthyShows = 3;  // after this many good refreshes, new trouble is told again

// A received line as it can be quoted in a message.
std::string Printable(const std::string& line) {
    std::string text;
    for (char c : line.substr(0, 60)) text += c >= 0x20 && c < 0x7F ? c : '.';
    return line.size() > 60 ? text + "..." : text;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Lines the server sends on its own, between answers.
bool IsNotice(const std::string& line) {
    return StartsWith(line, "listen ") || StartsWith(line, "ignore ") || StartsWith(line, "key ") ||
           StartsWith(line, "menuevent ");
}

// The number after " NAME " in the greeting, or -1 when there is none or it is no display's.
int GreetingNumber(const std::string& line, const std::string& name) {
    std::size_t at = line.find(" " + name + " ");
    if (at == std::string::npos) return -1;
    std::string digits = line.substr(at + name.size() + 2);
    digits = digits.substr(0, digits.find(' '));
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(digits);
}

std::string TooLong() { return "a line of more than " + std::to_string(LcdprocLink::kLongestLine) + " bytes"; }

}  // namespace

LcdprocLink::LcdprocLink(std::string host, int port, Say say, bool retries)
    : host_(std::move(host)), port_(port), say_(std::move(say)), retries_(retries) {}

bool LcdprocLink::Tell(const std::string& message, const std::string& kind) {
    // Once per kind of trouble: what stands in brackets or quotes (the system's or the
    // server's words) may differ every time.
    if (!said_.insert(kind.empty() ? message.substr(0, message.find_first_of("(\"")) : kind).second)
        return false;
    say_(message);
    return true;
}

void LcdprocLink::Drop(const std::string& why) {
    bool wasOpen = connection_.IsOpen();
    connection_.Close();
    pending_.clear();
    shown_.reset();
    healthyShows_ = 0;
    // A fault on a connection is always worth a line; failing to connect only while nothing
    // has been said yet, so that one outage makes one message.
    std::string next = retries_ ? "; reconnecting" : "";
    bool told = false;
    if (wasOpen && lost_)
        told = Tell("LCDd at " + Address() + ": " +
                    (everConnected_ ? "the server is gone (" : "the connection ended (") + why + ")" + next);
    else if (wasOpen)
        told = Tell("LCDd at " + Address() + ": leaving the server: " + why + next);
    else if (said_.empty())
        told = Tell("LCDd at " + Address() + ": cannot connect (" + why + ")" + (retries_ ? "; trying again" : "") +
                    ". Start LCDd there, or name the server with --lcdproc HOST:PORT");
    recoveryUntold_ = recoveryUntold_ || told;
    lost_ = false;
    nextAttempt_ = Clock::now() + delay_;
    delay_ = std::min(delay_ * 2, kLongestDelay);
}

void LcdprocLink::ConnectWhenDue() {
    if (IsConnected() || Clock::now() < nextAttempt_) return;
    std::string why;
    if (!connection_.Connect(host_, port_, kAnswerTimeoutMs, &why)) return Drop(why);
    std::string before = DisplaySize();
    if (!Handshake(&why)) return Drop(why);
    // A server may give another size on every connection: during one stretch of trouble the
    // connection and a change of size are each told once, not at every reconnect.
    if (Tell("LCDd at " + Address() + ": connected, the display is " + DisplaySize(), "connected"))
        recoveryUntold_ = false;
    else if (everConnected_ && DisplaySize() != before)
        Tell("LCDd at " + Address() + ": the display is now " + DisplaySize(), "size");
    everConnected_ = true;
}

std::string LcdprocLink::DisplaySize() const {
    return std::to_string(width_) + "x" + std::to_string(height_);
}

bool LcdprocLink::Handshake(std::string* why) {
    auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    std::string greeting;
    if (!connection_.Send("hello\n", kAnswerTimeoutMs, why)) return lost_ = true, false;
    do {
        if (!ReadLine(&greeting, deadline, why)) return false;
    } while (IsNotice(greeting));
    if (!ParseGreeting(greeting, why)) return false;
    std::string screen = kScreenId;
    // LCDd answers screen_set once per option: one option a line keeps one answer a line.
    std::vector<std::string> lines = {"client_set -name lcdhost", "screen_add " + screen,
                                      "screen_set " + screen + " -name lcdhost",
                                      "screen_set " + screen + " -heartbeat off"};
    if (wanted_)
        for (std::string& line : UpdateLines(nullptr, *wanted_, kScreenId)) lines.push_back(std::move(line));
    if (!Exchange(lines, why)) return false;
    shown_ = wanted_ ? wanted_ : LcdprocView{};
    return true;
}

bool LcdprocLink::ParseGreeting(const std::string& line, std::string* why) {
    int width = GreetingNumber(line, "wid"), height = GreetingNumber(line, "hgt");
    if (!StartsWith(line, "connect ")) return *why = "no LCDproc server: it greeted with \"" + Printable(line) + "\"", false;
    if (width < 1 || height < 1 || width > 1000 || height > 1000)
        return *why = "a greeting without a display size: \"" + Printable(line) + "\"", false;
    width_ = width;
    height_ = height;
    return true;
}

void LcdprocLink::Show(const LcdprocView& view) {
    wanted_ = view;
    if (!IsConnected()) return;
    std::vector<std::string> lines = UpdateLines(shown_ ? &*shown_ : nullptr, view, kScreenId);
    std::string why;
    if (!TakeNotices(&why) || !Exchange(lines, &why)) return Drop(why);
    shown_ = view;
    if (++healthyShows_ == kHealthyShows) {
        // Trouble soon after connecting hid the "connected" line: the user hears of the
        // recovery now.
        if (recoveryUntold_) say_("LCDd at " + Address() + ": drawing again");
        recoveryUntold_ = false;
        said_.clear();
        delay_ = kFirstDelay;
    }
}

// Takes what the server sent on its own since the last refresh. An unchanged screen sends
// nothing, so this is also how a server that went away is noticed. A server that never
// pauses would keep the host here for good: it is left after the usual wait.
bool LcdprocLink::TakeNotices(std::string* why) {
    auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    while (true) {
        if (Clock::now() > deadline)
            return *why = "it sent without a pause for " + std::to_string(kAnswerTimeoutMs) + " ms", false;
        if (pending_.find('\n') != std::string::npos) {
            std::string line;
            if (!ReadLine(&line, Clock::now(), why)) return false;
            if (!IsNotice(line)) return *why = "an answer to nothing: \"" + Printable(line) + "\"", false;
            continue;
        }
        if (pending_.size() > kLongestLine) return *why = TooLong(), false;
        switch (connection_.Receive(&pending_, 0, why)) {
            case platform::TcpConnection::Receipt::kData: break;
            case platform::TcpConnection::Receipt::kTimeout: return true;
            case platform::TcpConnection::Receipt::kClosed: return lost_ = true, *why = "it closed the connection", false;
            case platform::TcpConnection::Receipt::kFailed: return lost_ = true, false;
        }
    }
}

bool LcdprocLink::Exchange(const std::vector<std::string>& lines, std::string* why) {
    if (lines.empty()) return true;
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\n";
    if (!connection_.Send(bytes, kAnswerTimeoutMs, why)) return lost_ = true, false;
    // One answer per line, all sent at once: one round trip per refresh.
    auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    for (const std::string& line : lines)
        if (!ReadAnswer(line, deadline, why)) return false;
    return true;
}

bool LcdprocLink::ReadAnswer(const std::string& command, Clock::time_point deadline, std::string* why) {
    std::string line;
    do {
        if (!ReadLine(&line, deadline, why)) return false;
    } while (IsNotice(line));
    if (line == "success") return true;
    if (StartsWith(line, "huh?"))
        return *why = "it refused \"" + Printable(command.substr(0, command.find(" \""))) + "\": \"" + Printable(line) + "\"",
               false;
    return *why = "an answer that is no LCDproc answer: \"" + Printable(line) + "\"", false;
}

bool LcdprocLink::ReadLine(std::string* line, Clock::time_point deadline, std::string* why) {
    while (true) {
        std::size_t end = pending_.find('\n');
        if (end != std::string::npos && end <= kLongestLine) {
            *line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line->empty() && line->back() == '\r') line->pop_back();
            return true;
        }
        if (pending_.size() > kLongestLine) return *why = TooLong(), false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return *why = "no answer within " + std::to_string(kAnswerTimeoutMs) + " ms", false;
        switch (connection_.Receive(&pending_, static_cast<int>(left), why)) {
            case platform::TcpConnection::Receipt::kData: break;
            case platform::TcpConnection::Receipt::kTimeout: break;
            case platform::TcpConnection::Receipt::kClosed:
                lost_ = true;
                *why = pending_.empty() ? "it closed the connection" : "it closed the connection in mid-line";
                return false;
            case platform::TcpConnection::Receipt::kFailed: return lost_ = true, false;
        }
    }
}
