// Starts jostle_test_http_server for one test and stops it afterwards, with
// its recording in a temporary folder. Only for use inside the private
// network namespace.
#pragma once

#include "tests/support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace jostle::test {

class TestServer {
public:
    // Recording costs a file per connection: benchmarks do without.
    enum class Recording { On, Off };

    // On port 80 of address: 127.0.0.1, or ::1 where IPv4 is gone.
    explicit TestServer(const std::string& mode, Recording recording = Recording::On,
                        const std::string& address = "127.0.0.1") {
        const std::string ready = (m_folder.Path() / "ready").string();
        std::vector<std::string> arguments = {JOSTLE_TEST_SERVER_PATH, "--address", address,
                                              "--mode", mode};
        arguments.insert(arguments.end(), {"--ready", ready, "--max-seconds", "120"});
        if (recording == Recording::On) {
            arguments.insert(arguments.end(), {"--record", RecordPrefix()});
        }
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        // Its output goes to a file, so that no pipe of the test runner
        // outlives the test.
        const std::string log = (m_folder.Path() / "server.log").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            throw std::runtime_error("cannot start the test server");
        }
        WaitUntilReady(ready);
    }
    ~TestServer() {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // The bytes received on connection number (1 for the first accepted).
    std::string Recorded(int connection = 1) const {
        return ReadFileText(RecordPrefix() + "." + std::to_string(connection));
    }
    int RecordedConnections() const {
        int count = 0;
        while (std::filesystem::exists(RecordPrefix() + "." + std::to_string(count + 1))) {
            ++count;
        }
        return count;
    }

private:
    std::string RecordPrefix() const { return (m_folder.Path() / "request").string(); }

    void WaitUntilReady(const std::string& ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(ready)) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                throw std::runtime_error("the test server stopped at once");
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                throw std::runtime_error("the test server did not start");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    TempFolder m_folder;
    pid_t m_pid = -1;
};

} // namespace jostle::test
