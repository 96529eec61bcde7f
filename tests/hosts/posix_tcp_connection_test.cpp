// Linux only: a send to a peer that has gone raises SIGPIPE, which ends a process unless the
// send asks otherwise; Windows has no such signal.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/tcp_connection.h"

namespace {

TEST(TcpConnection, SendsToAPeerThatHasGoneFailWithAReasonAndTheProgramLivesOn) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);

    platform::TcpConnection connection;
    std::string error;
    ASSERT_TRUE(connection.Connect("127.0.0.1", ntohs(address.sin_port), 2000, &error)) << error;
    int peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    // Closed with a reset, so that our side learns of it at once.
    linger reset{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(peer);
    close(listener);

    // The reset may take a moment to arrive; until then a send still lands in our buffer.
    bool failed = false;
    for (int attempt = 0; attempt < 100 && !failed; ++attempt) {
        failed = !connection.Send("hello\n", 2000, &error);
        if (!failed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(failed) << "every send to a closed peer succeeded";
    EXPECT_FALSE(error.empty());
    error.clear();
    // The second send after the reset is the one that meets a broken pipe.
    EXPECT_FALSE(connection.Send("hello\n", 2000, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
